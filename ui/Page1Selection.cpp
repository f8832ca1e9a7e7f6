#include "ui/Page1Selection.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/NvLogoApp.h"
#include "app/Session.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "ui/CheckListCtrl.h"
#include "ui/ClassicHintLine.h"
#include "ui/LogoListControls.h"
#include "ui/LogoTableModel.h"

CPage1Selection::CPage1Selection(Session& session, LogoTableModel& model)
    : CPropertyPage(QStringLiteral("Select Bitmap"), 129), m_session(session), m_model(model)
{
    setObjectName(QStringLiteral("CPage1Selection"));
    // A larger page gives all its room to the list; the buttons and the note keep to
    // the right of it.
    auto button = [this](int id, const QString& text, int y) {
        auto* b = Place(new QPushButton(text, this), 185, y, 74, 14, Follow::Move(1, 0));
        b->setObjectName(QStringLiteral("button%1").arg(id));
        return b;
    };
    QPushButton* open = button(1016, QStringLiteral("&Open File..."), 19);
    QPushButton* remove = button(1015, QStringLiteral("Re&move"), 35);
    QPushButton* reset = button(1014, QStringLiteral("&Reset"), 51);
    open->setDefault(true);

    m_pane = new LogoListPane(*this, model, 1000, QAbstractItemView::ExtendedSelection, CounterBorder::Framed,
                              CheckColumn::Shown, 1);
    m_list = m_pane->m_list;

    auto* group = Place(new QGroupBox(QStringLiteral("Auto Center Align Check"), this), 187, 74, 111, 71,
                        Follow::Move(1, 0));
    group->setObjectName(QStringLiteral("groupAutoCenter"));
    auto* note =
        PlaceIn(group, new QLabel(QStringLiteral(" Check the item for automatic center align image."), group),
                192, 86, 101, 54);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* status = Place(new QLabel(this), 185, 152, 166, 76, Follow::Move(1, 0));
    status->setObjectName(QStringLiteral("labelSelectionStatus"));
    m_classicHint = new CClassicHintLine(status);

    // A key is typed into its cell (F2 or a double click); a refused one is said once the
    // cell's editor has closed.
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(
        &model, &LogoTableModel::KeyRefused, this,
        [](int, const QString& why) {
            platform::AfxMessageBox(why.toStdString(), platform::MB_ICONEXCLAMATION);
        },
        Qt::QueuedConnection);

    connect(open, &QPushButton::clicked, this, &CPage1Selection::OnOpenFile);
    connect(remove, &QPushButton::clicked, this, &CPage1Selection::OnRemove);
    connect(reset, &QPushButton::clicked, this, &CPage1Selection::OnReset);
}

bool CPage1Selection::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_pane->InsertColumns();
    m_model.SetSelectedRow(-1);
    return true;
}

bool CPage1Selection::OnSetActive()
{
    m_pane->Activate(m_session.m_kept.keyedStorage);
    return CPropertyPage::OnSetActive();
}

void CPage1Selection::OnOpenFile()
{
    CLogoLoader& loader = m_session.m_loader;
    loader.TakeFailedNumbers();
    const int before = m_session.m_list.Count();
    const OpenResult result = loader.OpenFiles();
    if (result.dialog == OpenResult::Dialog::NothingChosen)
        return;
    if (const std::string refused = RefusalText(result.refused); !refused.empty())
        platform::AfxMessageBox(refused, platform::MB_ICONEXCLAMATION);
    if (result.listFull)
        platform::AfxMessageBox(msg::kTooManyFiles, platform::MB_OK);
    if (result.outOfMemory)
        platform::AfxMessageBox(msg::kOutOfMemoryShort, platform::MB_ICONHAND);
    m_pane->ShowListOrder();
    m_pane->ShowSharedSelection();
    // Classic decides BMP dots by the file's own format: say which added files it
    // would print badly.
    const NvConversion conversion = m_session.Conversion();
    std::vector<std::string> added;
    for (int row = before; conversion.halftone == HalftoneMode::Classic && row < m_session.m_list.Count();
         ++row)
        if (m_session.m_list.At(row).kind == ImageKind::Bmp)
            added.push_back(m_session.m_list.At(row).path);
    m_classicHint->Judge(added, conversion.threshold);
}

void CPage1Selection::OnRemove()
{
    const std::vector<int> rows = m_pane->SelectedSourceRows();
    if (rows.empty()) {
        platform::AfxMessageBox(msg::kNoFileSelected, platform::MB_ICONEXCLAMATION);
        return;
    }
    if (platform::MessageBox("Remove selected file?", "Nivora",
                             platform::MB_ICONQUESTION | platform::MB_YESNO) != platform::IDYES)
        return;
    std::vector<int32_t> numbers;
    for (const int row : rows)
        numbers.push_back(m_session.m_list.At(row).number);
    // From the last selected row up, as the numbers become free in that order.
    std::for_each(numbers.rbegin(), numbers.rend(),
                  [this](int32_t number) { m_session.m_loader.RemoveFile(number); });
    m_model.SetSelectedRow(-1);
}

void CPage1Selection::OnReset()
{
    if (platform::AfxMessageBox(msg::kConfirmReset, platform::MB_ICONQUESTION | platform::MB_YESNO) !=
        platform::IDYES)
        return;
    const ReloadResult result = m_session.ReloadStoredList();
    m_model.SetSelectedRow(-1);
    m_pane->ShowListOrder();
    ReportReload(result);
}
