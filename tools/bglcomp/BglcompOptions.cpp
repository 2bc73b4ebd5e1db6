#include "tools/bglcomp/BglcompOptions.h"

namespace {

constexpr const char* description =
    R"(bglcomp FILE.xml compiles the scenery XML file into FILE.bgl beside it; the report goes to
standard output. A name with blanks may come quoted or unquoted: the words after the options are
joined with single blanks into one name. SOURCE_DATE_EPOCH, when set, gives the compile time
stamped into the file.
Exit status: 0 when the .bgl file was written, 1 when it was not, 2 when no file was named or the
command line was not understood.)";

}  // namespace

ParsedBglcompOptions ParseBglcompOptions(std::span<const std::string_view> arguments) {
    ParsedBglcompOptions parsed;
    ToolCommandLine commandLine("bglcomp", description);
    // Everything from the first word that is no option of the compiler's on is the file's name, even
    // a word that starts with a dash.
    commandLine.KeepWordsAfterOptions();
    commandLine.Read(arguments, parsed);
    if (parsed.error.empty() && parsed.output.empty()) {
        parsed.options.fileWords = commandLine.RemainingWords();
        if (!parsed.options.fileWords.empty() && parsed.options.fileWords.front() == "--") {
            parsed.options.fileWords.erase(parsed.options.fileWords.begin());
        }
        if (parsed.options.fileWords.empty()) {
            parsed.error = "no scenery XML file named: bglcomp FILE.xml";
        }
    }
    return parsed;
}
