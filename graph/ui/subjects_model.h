#pragma once
// Table model of the main dialog's subject list: one row per subject, the
// study identifier in column 0 and column 1 left free for the "View" button.

#include <QAbstractTableModel>
#include <QStringList>

namespace graph::ui {

class SubjectsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SubjectsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Appends a row; returns the new number of rows.
    int add(const QString& studyId);
    // Removes one row; a row outside the table changes nothing.
    void remove(int row);

private:
    qint32 rowCounter_ = 0;
    QStringList columnTitles_;
    QStringList studyIds_;
};

}  // namespace graph::ui
