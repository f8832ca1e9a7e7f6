#include "ui/NvStorageBox.h"

#include <QComboBox>
#include <QLabel>

#include "app/Session.h"
#include "ui/PropertySheet.h"

QComboBox* AddNvStorageBox(CPropertyPage& page, Session& session, double share)
{
    auto* label = page.Place(new QLabel(QStringLiteral("NV &storage:"), &page), 189, 208, 45, 9,
                             Follow::Move(share, 0));
    auto* combo = page.Place(new QComboBox(&page), 236, 206, 111, 12, Follow::Across(share, 1));
    combo->setObjectName(QStringLiteral("comboNvStorage"));
    combo->addItems({QStringLiteral("All at once (FS q)"), QStringLiteral("By key (GS ( L)")});
    combo->setToolTip(QStringLiteral("By key: each logo is stored, replaced and deleted on its own and "
                                     "read back. On many printers one way erases what the other stored."));
    combo->setCurrentIndex(session.m_kept.keyedStorage ? 1 : 0);
    label->setBuddy(combo);
    QObject::connect(combo, &QComboBox::activated, &page,
                     [&session](int index) { session.SetKeyedStorage(index == 1); });
    return combo;
}
