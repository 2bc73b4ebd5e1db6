#include "tools/simulator/window/CommandRouter.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

#include "tools/simulator/SimulatorOptions.h"

namespace {

// Reads what is there; false at the end of the input or on a failure other than "nothing yet".
bool ReadAvailable(int descriptor, std::string& text) {
    std::array<char, 4096> chunk{};
    const ssize_t got = read(descriptor, chunk.data(), chunk.size());
    if (got > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(got));
        return true;
    }
    return got < 0 && (errno == EAGAIN || errno == EINTR);
}

bool TakeLine(std::string& text, std::string& line) {
    const auto end = text.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line.assign(text, 0, end);
    text.erase(0, end + 1);
    return true;
}

// The server answers nothing to a line of blanks only.
bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

bool ParsePosition(const std::string& line, double& latitude, double& longitude) {
    constexpr std::string_view verb = "position ";
    if (line.rfind(verb, 0) != 0) {
        return false;
    }
    const std::string_view rest = std::string_view(line).substr(verb.size());
    const auto gap = rest.find(' ');
    return gap != std::string_view::npos && ParseDegrees(rest.substr(0, gap), latitude) &&
           ParseDegrees(rest.substr(gap + 1), longitude);
}

}  // namespace

CommandRouter::CommandRouter(int serverInput, int serverReplies, int consoleInput, std::FILE* output,
                             QObject* parent)
    : QObject(parent), commandInput(serverInput), replies(serverReplies), console(consoleInput),
      consoleOutput(output) {
    replyNotifier = new QSocketNotifier(replies, QSocketNotifier::Read, this);
    connect(replyNotifier, &QSocketNotifier::activated, this, &CommandRouter::ReadReplies);
    if (console >= 0) {
        consoleNotifier = new QSocketNotifier(console, QSocketNotifier::Read, this);
        connect(consoleNotifier, &QSocketNotifier::activated, this, &CommandRouter::ReadConsole);
    }
}

void CommandRouter::SendFromWindow(const QString& line) { Send(line.toStdString(), Origin::Window); }

void CommandRouter::ReadConsole() {
    const bool more = ReadAvailable(console, consoleText);
    if (!more && !consoleText.empty()) {
        consoleText += '\n';  // the last line needs no newline of its own
    }
    std::string line;
    while (TakeLine(consoleText, line)) {
        Send(line, Origin::Console);
    }
    if (consoleText.size() >= longestLine) {
        consoleText.clear();
        WriteConsole("error line too long");
    }
    // Without a window the simulator ends with its input; here the window decides, so the console
    // just falls silent.
    if (!more) {
        consoleNotifier->setEnabled(false);
    }
}

void CommandRouter::Send(std::string_view line, Origin origin) {
    if (IsBlank(line)) {
        return;
    }
    const std::string text = std::string(line) + '\n';
    const bool sent = text.size() <= longestLine &&
                      write(commandInput, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (sent) {
        waiting.push_back(origin);
        return;
    }
    const std::string why = text.size() > longestLine ? "error line too long" : "error simulator busy";
    if (origin == Origin::Console) {
        WriteConsole(why);
    } else {
        emit WindowReplied(QString::fromStdString(why));
    }
}

void CommandRouter::ReadReplies() {
    const bool more = ReadAvailable(replies, replyText);
    std::string line;
    while (TakeLine(replyText, line)) {
        Deliver(line);
    }
    if (!more) {
        replyNotifier->setEnabled(false);
        emit ServerEnded();
    }
}

void CommandRouter::Deliver(const std::string& line) {
    const Origin origin = waiting.empty() ? Origin::Console : waiting.front();
    if (!waiting.empty()) {
        waiting.pop_front();
    }
    double latitude = 0.0;
    double longitude = 0.0;
    const bool isPosition = ParsePosition(line, latitude, longitude);
    if (isPosition) {
        emit PositionReported(latitude, longitude);
    }
    if (origin == Origin::Console) {
        WriteConsole(line);
    } else if (!isPosition) {
        emit WindowReplied(QString::fromStdString(line));
    }
}

void CommandRouter::WriteConsole(const std::string& line) {
    std::fprintf(consoleOutput, "%s\n", line.c_str());
    std::fflush(consoleOutput);
}
