#pragma once

#include <QAbstractListModel>
#include <QItemSelection>

#include <cstddef>
#include <string>
#include <vector>

#include "trees/TreeCatalogue.h"

class PlantingList;

// The Edit dialog's rows: the list positions still shown, in their order. A row's text is formed only
// when the view asks for it, so a list of a million objects opens at once; the numbers shown are the
// objects' original positions and are never renumbered by deletions.
class PlantedObjectsModel : public QAbstractListModel {
    Q_OBJECT
public:
    // `list` must outlive the model and stay unchanged while it is shown.
    explicit PlantedObjectsModel(const PlantingList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Removes every row in `rows` in one pass over the kept positions. Returns the first row removed,
    // or -1 when `rows` names none.
    int RemoveRows(const QItemSelection& rows);

    // Shows every object of the list again, dropping all removals.
    void RestoreAll();

    const std::vector<std::size_t>& KeptIndices() const { return keptIndices; }

    // The row text of the object at 0-based list position `position`: the 1-based number as "%4d ",
    // latitude and longitude as "%11.7f" each followed by one blank, then the name. Always with a
    // point as decimal separator, whatever the locale.
    static std::string RowText(std::size_t position, double latitude, double longitude,
                               const std::string& name);

private:
    const PlantingList& list;
    TreeCatalogue catalogue;
    std::vector<std::size_t> keptIndices;
};
