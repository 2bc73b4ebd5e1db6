#pragma once

#include <QString>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The stand-in simulator's window: shows where the aircraft is, slews it north, south, east or west
// by a step in metres (buttons or arrow keys), and puts it at a typed position. It changes nothing
// itself: each action is a console command line for the server, and the position it shows is the one
// the server reports back.
class CSimulatorWindow : public QWidget {
    Q_OBJECT
public:
    // serving says where the server listens, for the status line.
    CSimulatorWindow(double latitude, double longitude, const QString& serving, QWidget* parent = nullptr);

public slots:
    void ShowPosition(double latitude, double longitude);
    void ShowReply(const QString& line);

signals:
    void CommandEntered(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakePositionBox();
    QWidget* MakeSlewBox();
    QWidget* MakeGoBox();
    QWidget* MakeHeadingBox();
    QPushButton* MakeSlewButton(const QString& text, const QString& name, int north, int east);
    void SlewBy(int north, int east);
    void OnGo();

    QLabel* latitudeShown = nullptr;
    QLabel* longitudeShown = nullptr;
    QDoubleSpinBox* step = nullptr;
    QDoubleSpinBox* heading = nullptr;
    QLineEdit* latitudeField = nullptr;
    QLineEdit* longitudeField = nullptr;
    QLabel* status = nullptr;
    QString serving;
};
