#pragma once
// The Setup page's "NV storage" box: whether the printer keeps the logos all at once
// (FS q, the default) or by key (GS ( L). The choice is the session's and is kept in the
// profile as soon as it is made; it decides what Download, Print and Apply do.
//
// Window thread only.
class CPropertyPage;
class QComboBox;
class Session;

// Adds the label and the list to page under the option settings, showing session's
// choice; share is the page's left share of extra width (the box follows the right side).
QComboBox* AddNvStorageBox(CPropertyPage& page, Session& session, double share);
