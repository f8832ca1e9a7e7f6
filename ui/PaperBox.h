#pragma once
// The Setup page's "Paper:" box: the usual receipt papers, each of which sets the Max
// Printable Area to its width in dots, and "Other" for any other width. The box follows
// the width box whatever changed it: typing, a printer model, the kept settings.
//
// Window thread only.
#include <functional>

class QComboBox;
class QLineEdit;

// Fills combo with the papers and ties it to widthEdit. chosen runs after the user chose
// a paper and its width stands in widthEdit.
void TiePaperBox(QComboBox* combo, QLineEdit* widthEdit, std::function<void()> chosen);
