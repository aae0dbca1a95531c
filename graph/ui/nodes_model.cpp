#include "graph/ui/nodes_model.h"

namespace graph::ui {

NodesModel::NodesModel(QObject* parent)
    : QAbstractTableModel(parent), columnTitles_{QStringLiteral("Node"), QStringLiteral("Inclusion")} {}

int NodesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : nodeNames_.size();
}

int NodesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant NodesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && index.column() == 0 &&
        index.row() < nodeNames_.size())
        return nodeNames_.at(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == 1) return int(Qt::AlignHCenter);
    return {};
}

QVariant NodesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnTitles_.size())
        return columnTitles_.at(section);
    return {};
}

Qt::ItemFlags NodesModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsEnabled;
    if (index.column() == 0) return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    return QAbstractTableModel::flags(index);
}

bool NodesModel::setData(const QModelIndex&, const QVariant&, int) {
    return true;
}

void NodesModel::setNodeNames(const QStringList& names) {
    beginResetModel();
    nodeNames_ = names;
    counter_ = names.size();
    endResetModel();
}

}  // namespace graph::ui
