#pragma once
// Table model of the "Graph Analysis" tab: group rows ("Segragation", ...)
// and one row per graph measure with its stored result.

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

namespace graph::ui {

// Result types carried in QVariants: values of one matrix, and one such list
// per matrix.
using FeatureValues = QList<float>;
using FeatureSeries = QList<FeatureValues>;

struct GraphFeature {
    QString group;
    QString name;
    QString description;
    QString key;
    bool scalar = false;  // one value per graph rather than one per node
};

// One row of the standard feature table; a row with an empty key is a group.
struct GraphFeatureRow {
    GraphFeature feature;
    QString plotTitle;
};

// The rows the connectivity window shows, in order.
const QList<GraphFeatureRow>& graphFeatureTable();

class GraphFeaturesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TypeColumn = 0, NameColumn, DescriptionColumn, ComputeColumn, ResultColumn };

    explicit GraphFeaturesModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A row with empty name, description and key is a group row titled
    // `group`. Returns the new row's number.
    int addRow(const QString& group, const QString& name, const QString& description, const QString& key,
               bool scalar);

    int rowOf(const QString& key) const;  // -1 when absent
    GraphFeature feature(const QString& key) const;
    bool isGroupRow(int row) const;
    QString keyOfRow(int row) const;

    // A float (scalar measure, one matrix) or a FeatureSeries.
    void setResult(int row, const QVariant& value);
    QVariant result(int row) const;
    // How a result was computed; the Result cell's tool tip.
    void setResultNote(int row, const QString& note);
    QString resultNote(int row) const { return notes_.value(row); }

    void setUsesProtocol(bool usesProtocol);
    bool usesProtocol() const { return usesProtocol_; }

    // Names of the matrices (condition names, or "Series k"), used when a
    // scalar measure has one value per matrix.
    void setMatrixLabels(const QStringList& labels);

private:
    QString matrixLabel(int k) const;
    QVariant resultText(int row) const;

    QHash<QString, GraphFeature> features_;
    QList<int> groupRows_;
    QHash<int, QVariant> results_;
    QHash<int, QString> notes_;
    QStringList rowKeys_;
    QStringList columnTitles_;
    bool usesProtocol_ = false;
    qint32 featureCounter_ = 0;
    qint32 rowCounter_ = 0;
    QStringList matrixLabels_;
};

}  // namespace graph::ui
