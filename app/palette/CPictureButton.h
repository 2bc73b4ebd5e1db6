#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QString>

// A palette's picture button: shows its model's up bitmap, and its down bitmap while the mouse holds it
// or while the page holds it pressed as the chosen model. The held state belongs to the page, not to
// Qt's down flag, which Qt drops whenever the button loses the focus. Assistive tools see a push
// button named after the model, with a press action that clicks it and a pressed state while held.
class CPictureButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CPictureButton(QWidget* parent = nullptr);

    // Loads ":/bitmaps/<name>U.bmp" and "...D.bmp"; false where either is missing.
    bool LoadBitmaps(const QString& name);

    void SetHeld(bool held);
    bool IsHeld() const { return held; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap up;
    QPixmap down;
    bool held = false;
};
