#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

class PlantingList;
class PlantedObjectsModel;
namespace Ui {
class CMyEditDialog;
}

// The Edit dialog: lists the planted objects with their numbers, positions and names and lets the
// user delete any selection of them. It never changes the list; after OK the caller keeps the
// objects at KeptIndices(). Cancel, Escape and the close box leave nothing to apply.
class CMyEditDialog : public QDialog {
    Q_OBJECT
public:
    // `list` must outlive the dialog and stay unchanged while it is shown.
    explicit CMyEditDialog(const PlantingList& list, QWidget* parent = nullptr);
    ~CMyEditDialog() override;

    // The 0-based list positions of the rows still shown, in their previous order.
    std::vector<std::size_t> KeptIndices() const;

    // Cancel, Escape and the close box: the deletions of this run are dropped, so KeptIndices() again
    // names every object and even a caller that applied it would lose nothing.
    void reject() override;

protected:
    // The list takes what the dialog grows by; the controls below it keep their distance to its foot.
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnDelete();
    void ShowCount();
    void LayOutInDialogUnits();
    // A line above the rows that names their columns, in the rows' own font.
    void AddColumnHeading();

    std::unique_ptr<Ui::CMyEditDialog> ui;
    PlantedObjectsModel* model;
    QSize laidOutSize;                   // the dialog's size as its template lays it out
    std::map<QWidget*, QRect> laidOut;  // each control's place at that size
};
