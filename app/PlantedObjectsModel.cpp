#include "document/PlantingList.h"

#include "app/PlantedObjectsModel.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "document/FixedDecimal.h"

PlantedObjectsModel::PlantedObjectsModel(const PlantingList& plantingList, QObject* parent)
    : QAbstractListModel(parent), list(plantingList), keptIndices(plantingList.Count()) {
    std::iota(keptIndices.begin(), keptIndices.end(), std::size_t{0});
}

void PlantedObjectsModel::RestoreAll() {
    beginResetModel();
    keptIndices.resize(list.Count());
    std::iota(keptIndices.begin(), keptIndices.end(), std::size_t{0});
    endResetModel();
}

int PlantedObjectsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(keptIndices.size());
}

QVariant PlantedObjectsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) {
        return {};
    }
    const std::size_t position = keptIndices[static_cast<std::size_t>(index.row())];
    // Should the list change under a dialog still in memory, show nothing rather than read past it.
    if (position >= list.Count()) {
        return {};
    }
    const std::string text = RowText(position, list.LatitudeAt(position), list.LongitudeAt(position),
                                     catalogue.NameForGuid(list.GuidAt(position)));
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int PlantedObjectsModel::RemoveRows(const QItemSelection& rows) {
    std::vector<bool> removed(keptIndices.size(), false);
    int firstRemoved = -1;
    for (const QItemSelectionRange& range : rows) {
        const int top = std::max(range.top(), 0);
        const int bottom = std::min(range.bottom(), rowCount() - 1);
        for (int row = top; row <= bottom; ++row) {
            removed[static_cast<std::size_t>(row)] = true;
        }
        if (top <= bottom && (firstRemoved < 0 || top < firstRemoved)) {
            firstRemoved = top;
        }
    }
    if (firstRemoved < 0) {
        return -1;
    }
    beginResetModel();
    std::size_t keptCount = 0;
    for (std::size_t row = 0; row < keptIndices.size(); ++row) {
        if (!removed[row]) {
            keptIndices[keptCount++] = keptIndices[row];
        }
    }
    keptIndices.resize(keptCount);
    endResetModel();
    return firstRemoved;
}

std::string PlantedObjectsModel::RowText(std::size_t position, double latitude, double longitude,
                                         const std::string& name) {
    char number[24];
    const std::to_chars_result result = std::to_chars(number, number + sizeof number, position + 1);
    const auto length = static_cast<std::size_t>(result.ptr - number);
    std::string text;
    text.reserve(32 + name.size());
    text.append(length < 4 ? 4 - length : 0, ' ').append(number, result.ptr).push_back(' ');
    AppendFixedDecimal(text, latitude, 11, 7);
    text.push_back(' ');
    AppendFixedDecimal(text, longitude, 11, 7);
    text.push_back(' ');
    text.append(name);
    return text;
}
