#pragma once

#include <QObject>
#include <QString>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>

class QSocketNotifier;

// Feeds the server's command input from two sources, the console (standard input) and the window,
// and hands each reply back to the source that asked. The server answers every command with exactly
// one line, in order, so a queue of who asked pairs them up. Console replies go to the console
// output, one line per command as without a window; the window's stay out of it, so that a program
// talking to the console still reads one line per line it sent. Every position reply, whoever asked,
// updates the window.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    // commandInput and replies are the server's pipe ends; console is the command source (-1: none)
    // and consoleOutput where its replies go.
    CommandRouter(int commandInput, int replies, int console, std::FILE* consoleOutput,
                  QObject* parent = nullptr);

    // Longest command line taken, newline included: a pipe takes a write this short in one piece.
    static constexpr std::size_t longestLine = 4096;

public slots:
    void SendFromWindow(const QString& line);

signals:
    void PositionReported(double latitude, double longitude);
    // A reply to the window other than a position, such as an error.
    void WindowReplied(const QString& line);
    // The server has ended (quit, a signal): nothing more will be answered.
    void ServerEnded();

private:
    enum class Origin { Console, Window };

    void ReadConsole();
    void ReadReplies();
    void Send(std::string_view line, Origin origin);
    void Deliver(const std::string& line);
    void WriteConsole(const std::string& line);

    int commandInput;
    int replies;
    int console;
    std::FILE* consoleOutput;
    QSocketNotifier* consoleNotifier = nullptr;
    QSocketNotifier* replyNotifier = nullptr;
    std::string consoleText;
    std::string replyText;
    std::deque<Origin> waiting;
};
