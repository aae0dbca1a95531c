#pragma once
// Table model of the "Nodes" tab: node names and an inclusion column whose
// cells hold check boxes (index widgets).

#include <QAbstractTableModel>
#include <QStringList>

namespace graph::ui {

class NodesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit NodesModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Names are not edited through the view: accepts and keeps nothing.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    void setNodeNames(const QStringList& names);
    const QStringList& nodeNames() const { return nodeNames_; }

private:
    qint32 counter_ = 0;
    QStringList nodeNames_;
    QStringList columnTitles_;
};

}  // namespace graph::ui
