#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdlib>

#include "simlink/tcp/RelayIpcLinkMaker.h"

namespace {

const QString programName = QStringLiteral("grovewright");

// Qt's own options: taken so that they are not refused, never shown in the help.
void AddQtOptions(QCommandLineParser& parser) {
    const char* withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                               "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display",
                               "geometry", "title", "name", "qmljsdebugger"};
    const char* flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

CommandLineChoice Refusal(const QString& problem) {
    return {CommandLineChoice::Action::Refuse,
            (programName + QStringLiteral(": ") + problem + QStringLiteral(" (see --help)\n")).toStdString(),
            {}};
}

// Qt's window system on X11 or Wayland needs a display; without one it would abort with a message
// meant for developers.
bool DisplayIsNamed(const QCommandLineParser& parser) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const auto named = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && *value != 0;
    };
    return parser.isSet(QStringLiteral("platform")) || parser.isSet(QStringLiteral("display")) ||
           named("QT_QPA_PLATFORM") || named("DISPLAY") || named("WAYLAND_DISPLAY");
#else
    (void)parser;
    return true;
#endif
}

}  // namespace

CommandLineChoice ReadCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    // Qt's options are written with one dash; ours are taken with one or two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Plant trees at the flight simulator's aircraft position and compile them into scenery."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and end."));
    const QCommandLineOption relay(
        QStringLiteral("relay"),
        QStringLiteral("Reach the simulator through the Grovewright relay at HOST:PORT (a simulator on Windows "
                       "or under Wine); [::1]:PORT for an IPv6 address."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption secretFile(
        QStringLiteral("relay-secret-file"),
        QStringLiteral("Read the relay's secret from the first line of FILE (else from the file named by ") +
            QString::fromLatin1(relaySecretVariable) + QStringLiteral(")."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, relay, secretFile});
    AddQtOptions(parser);

    if (!parser.parse(arguments)) {
        return Refusal(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Refusal(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(help)) {
        // The help names the program as the user called it, whatever QCoreApplication is or is not.
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        if (const auto start = text.indexOf(usage); start >= 0) {
            const auto end = text.indexOf(QLatin1Char(' '), start + usage.size());
            text.replace(start + usage.size(), end - start - usage.size(), programName);
        }
        return {CommandLineChoice::Action::ShowText, text.toStdString(), {}};
    }
    if (parser.isSet(version)) {
        return {CommandLineChoice::Action::ShowText,
                (programName + QStringLiteral(" (Grovewright) ") + QStringLiteral(GROVEWRIGHT_VERSION) +
                 QLatin1Char('\n'))
                    .toStdString(),
                {}};
    }
    CommandLineChoice choice;
    choice.makeLink = PlatformIpcLinkMaker();
    if (parser.isSet(secretFile) && !parser.isSet(relay)) {
        return Refusal(QStringLiteral("--relay-secret-file is for a relay: give --relay HOST:PORT too"));
    }
    if (parser.isSet(relay)) {
        RelayAddress address;
        std::string problem;
        if (!ParseRelayAddress(parser.value(relay).toStdString(), address, problem)) {
            return Refusal(QString::fromStdString(problem));
        }
        std::string secret;
        const std::string file = parser.value(secretFile).toStdString();
        if (parser.isSet(secretFile) && !ReadRelaySecret(file, secret)) {
            return Refusal(QStringLiteral("no secret can be read from %1: it must be a readable file whose "
                                          "first line is the secret")
                               .arg(parser.value(secretFile)));
        }
        choice.makeLink = RelayIpcLinkMaker(address.host, address.port, file);
    }
    if (!DisplayIsNamed(parser)) {
        choice.action = CommandLineChoice::Action::NoDisplay;
        choice.text = "grovewright: no display to open its window on: start it in a desktop session, or name "
                      "one in DISPLAY (for example, run it under xvfb-run)\n";
    }
    return choice;
}
