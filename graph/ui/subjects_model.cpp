#include "graph/ui/subjects_model.h"

namespace graph::ui {

SubjectsModel::SubjectsModel(QObject* parent)
    : QAbstractTableModel(parent), columnTitles_{QStringLiteral("Study ID"), QString()} {}

int SubjectsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rowCounter_;
}

int SubjectsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnTitles_.size();
}

QVariant SubjectsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() != 0 || index.row() >= studyIds_.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return studyIds_.at(index.row());
    return {};
}

QVariant SubjectsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnTitles_.size())
        return columnTitles_.at(section);
    return {};
}

int SubjectsModel::add(const QString& studyId) {
    // Proper insert notifications keep index widgets (the "View" buttons)
    // attached to their rows; layoutChanged tells simple observers to refresh.
    beginInsertRows(QModelIndex(), rowCounter_, rowCounter_);
    ++rowCounter_;
    studyIds_.append(studyId);
    endInsertRows();
    emit layoutAboutToBeChanged();
    emit layoutChanged();
    return rowCounter_;
}

void SubjectsModel::remove(int row) {
    if (row < 0 || row >= studyIds_.size()) return;
    // The view drops the removed row's index widget and moves the later ones up.
    beginRemoveRows(QModelIndex(), row, row);
    studyIds_.removeAt(row);
    --rowCounter_;
    endRemoveRows();
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

}  // namespace graph::ui
