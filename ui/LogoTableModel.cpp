#include "ui/LogoTableModel.h"

#include <algorithm>

#include "platform/Text.h"

LogoTableModel::LogoTableModel(LogoList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    m_list.SetObserver(this);
}

LogoTableModel::~LogoTableModel()
{
    m_list.SetObserver(nullptr);
}

int LogoTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.Count();
}

int LogoTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LogoTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.Count())
        return {};
    const Logo& logo = m_list.At(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == kNumberColumn)
            return QString::fromStdString(Format("%3d", logo.number));
        if (column == kNameColumn)
            return QString::fromStdString(logo.name);
        if (column == kSizeColumn)
            return QString::fromStdString(Format("%15d", logo.nvSize));
        if (column == kKeyColumn)
            return QString::fromStdString(logo.key);
        if (column == kAdjustColumn)
            return QString::fromStdString(logo.adjust.Summary());
        return {};
    case Qt::EditRole:
        return column == kKeyColumn ? QVariant(QString::fromStdString(logo.key)) : QVariant();
    case Qt::CheckStateRole:
        return column == kCheckColumn ? QVariant(logo.centre ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::AccessibleTextRole:
        // The tick column has no text of its own; a screen reader names the logo.
        return column == kCheckColumn ? QStringLiteral("Centre %1").arg(QString::fromStdString(logo.name))
                                      : QVariant();
    case Qt::ToolTipRole:
        if (column == kAdjustColumn && logo.adjust.Any())
            return QString::fromStdString(logo.adjust.Summary());
        return column == kNameColumn ? QString::fromStdString(logo.path) : QVariant();
    case kSortRole:
        if (column == kNumberColumn)
            return logo.number;
        if (column == kNameColumn)
            return QString::fromStdString(logo.name);
        if (column == kSizeColumn)
            return logo.nvSize;
        if (column == kKeyColumn)
            return QString::fromStdString(logo.key);
        if (column == kAdjustColumn)
            return QString::fromStdString(logo.adjust.Summary());
        return 0;
    default:
        return {};
    }
}

bool LogoTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_list.Count())
        return false;
    if (index.column() == kKeyColumn && role == Qt::EditRole) {
        // A character beyond ASCII can never be part of a key: it stands as DEL, which
        // the list refuses with the reason.
        std::string key;
        for (const QChar c : value.toString())
            key += c.unicode() < 0x7F ? static_cast<char>(c.unicode()) : '\x7F';
        const std::string why = m_list.KeyRefusal(index.row(), key);
        if (!why.empty()) {
            emit KeyRefused(index.row(), QString::fromStdString(why));
            return false;
        }
        return m_list.SetKey(index.row(), key);
    }
    if (index.column() != kCheckColumn || role != Qt::CheckStateRole)
        return false;
    m_list.SetCentre(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

QVariant LogoTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    static const char* const kHeadings[kColumnCount] = {" ", "   No.", "Name", "Size", "Key", "Adjust"};
    if (role == Qt::DisplayRole && section >= 0 && section < kColumnCount)
        return QString::fromLatin1(kHeadings[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == kNameColumn || section == kAdjustColumn ? Qt::AlignLeft
                                    : section == kSizeColumn                           ? Qt::AlignRight
                                                                                       : Qt::AlignHCenter) |
                                   Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags LogoTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kKeyColumn)
        return flags | Qt::ItemIsEditable;
    return index.column() == kCheckColumn ? flags | Qt::ItemIsUserCheckable : flags;
}

bool LogoTableModel::AnyAdjusted() const
{
    const std::vector<Logo>& logos = m_list.Logos();
    return std::any_of(logos.begin(), logos.end(), [](const Logo& logo) { return logo.adjust.Any(); });
}

int LogoTableModel::SelectedRow() const
{
    return m_selected.isValid() ? m_selected.row() : -1;
}

void LogoTableModel::SetSelectedRow(int row)
{
    m_selected =
        row >= 0 && row < m_list.Count() ? QPersistentModelIndex(index(row, 0)) : QPersistentModelIndex();
}

void LogoTableModel::BeforeAppend(int row)
{
    beginInsertRows({}, row, row);
}

void LogoTableModel::AfterAppend()
{
    endInsertRows();
}

void LogoTableModel::BeforeRemove(int row)
{
    beginRemoveRows({}, row, row);
}

void LogoTableModel::AfterRemove()
{
    endRemoveRows();
}

void LogoTableModel::BeforeClear()
{
    beginResetModel();
}

void LogoTableModel::AfterClear()
{
    endResetModel();
}

void LogoTableModel::RowChanged(int row)
{
    // The tick, or the adjustments with the size they make.
    emit dataChanged(index(row, kCheckColumn), index(row, kColumnCount - 1));
}
