#include "graph/ui/graph_features_model.h"

#include "graph/core/feature_registry.h"

#include <QFont>
#include <QMetaType>

namespace graph::ui {

using namespace graph::core;

const QList<GraphFeatureRow>& graphFeatureTable() {
    static const QList<GraphFeatureRow> rows = [] {
        QList<GraphFeatureRow> list;
        for (const FeatureDefinition& d : featureRegistry()) {
            const auto q = [](const std::string& text) { return QString::fromStdString(text); };
            list.append(GraphFeatureRow{{q(d.group), q(d.name), q(d.description), q(d.key), d.scalar},
                                        q(d.plotTitle)});
        }
        return list;
    }();
    return rows;
}

GraphFeaturesModel::GraphFeaturesModel(QObject* parent)
    : QAbstractTableModel(parent),
      columnTitles_{QStringLiteral("Type"), QStringLiteral("Name"), QStringLiteral("Description"), QString(),
                    QStringLiteral("Result")} {
    qRegisterMetaType<FeatureValues>("FeatureValues");
    qRegisterMetaType<FeatureSeries>("FeatureSeries");
}

int GraphFeaturesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rowCounter_;
}

int GraphFeaturesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnTitles_.size();
}

QVariant GraphFeaturesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowKeys_.size()) return {};
    const int row = index.row();
    const int column = index.column();

    if (isGroupRow(row)) {
        if (column != NameColumn) return {};
        if (role == Qt::DisplayRole) return rowKeys_.at(row);
        if (role == Qt::FontRole) {
            QFont font;
            font.setWeight(75);
            return font;
        }
        return {};
    }

    const GraphFeature f = features_.value(rowKeys_.at(row));
    if (role == Qt::DisplayRole) {
        switch (column) {
            case TypeColumn:
                return f.group;
            case NameColumn:
                return f.name;
            case DescriptionColumn:
                return f.description;
            case ResultColumn:
                return f.scalar ? resultText(row) : QVariant();
            default:
                return {};
        }
    }
    if ((role == Qt::ToolTipRole || role == Qt::WhatsThisRole) && column == DescriptionColumn)
        return f.description;
    if (role == Qt::ToolTipRole && column == ResultColumn && notes_.contains(row)) return notes_.value(row);
    return {};
}

QVariant GraphFeaturesModel::resultText(int row) const {
    const QVariant stored = results_.value(row);
    if (!stored.isValid()) return {};  // nothing computed yet: an empty cell, not a value of 0
    if (stored.userType() != qMetaTypeId<FeatureSeries>()) return stored;
    // One value per matrix (e.g. per protocol condition): one named value a line.
    const FeatureSeries series = stored.value<FeatureSeries>();
    QStringList parts;
    for (int k = 0; k < series.size(); ++k) {
        const QString value =
            series.at(k).isEmpty() ? QString() : QString::number(double(series.at(k).first()), 'g', 6);
        parts << matrixLabel(k) + QStringLiteral(": ") + value;
    }
    return parts.join(QLatin1Char('\n'));
}

QString GraphFeaturesModel::matrixLabel(int k) const {
    if (k < matrixLabels_.size() && !matrixLabels_.at(k).isEmpty()) return matrixLabels_.at(k);
    return QStringLiteral("Series %1").arg(k);
}

QVariant GraphFeaturesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnTitles_.size())
        return columnTitles_.at(section);
    return {};
}

int GraphFeaturesModel::addRow(const QString& group, const QString& name, const QString& description,
                               const QString& key, bool scalar) {
    const int row = rowCounter_;
    beginInsertRows(QModelIndex(), row, row);
    if (name.isEmpty() && description.isEmpty() && key.isEmpty()) {
        rowKeys_.append(group);
        groupRows_.append(row);
    } else {
        features_.insert(key, GraphFeature{group, name, description, key, scalar});
        rowKeys_.append(key);
        ++featureCounter_;
    }
    ++rowCounter_;
    endInsertRows();
    // Observers that only follow layout changes refresh as well.
    emit layoutAboutToBeChanged();
    emit layoutChanged();
    return row;
}

int GraphFeaturesModel::rowOf(const QString& key) const {
    for (int row = 0; row < rowKeys_.size(); ++row) {
        if (!isGroupRow(row) && rowKeys_.at(row) == key) return row;
    }
    return -1;
}

GraphFeature GraphFeaturesModel::feature(const QString& key) const {
    return features_.value(key);
}

bool GraphFeaturesModel::isGroupRow(int row) const {
    return groupRows_.contains(row);
}

QString GraphFeaturesModel::keyOfRow(int row) const {
    return row >= 0 && row < rowKeys_.size() && !isGroupRow(row) ? rowKeys_.at(row) : QString();
}

void GraphFeaturesModel::setResult(int row, const QVariant& value) {
    results_.insert(row, value);
    emit dataChanged(index(row, 0), index(row, columnTitles_.size() - 1));
}

QVariant GraphFeaturesModel::result(int row) const {
    return results_.value(row);
}

void GraphFeaturesModel::setUsesProtocol(bool usesProtocol) {
    usesProtocol_ = usesProtocol;
}

void GraphFeaturesModel::setMatrixLabels(const QStringList& labels) {
    matrixLabels_ = labels;
    if (rowCounter_ > 0) emit dataChanged(index(0, ResultColumn), index(rowCounter_ - 1, ResultColumn));
}

void GraphFeaturesModel::setResultNote(int row, const QString& note) {
    notes_.insert(row, note);
    emit dataChanged(index(row, ResultColumn), index(row, ResultColumn));
}

}  // namespace graph::ui
