#include "tools/bglcomp/SceneryScanner.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Bglcomp {

namespace {

constexpr std::string_view schemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// What a byte may be where. Only printable ASCII is taken (blanks aside), so that no encoding, no
// character the parser refuses and no normalisation of line ends in values can make the parser's
// reading differ. '&' is refused in values, so that no reference is left to expand.
enum CharClass : unsigned char {
    blank = 1,
    inValue = 2,
    inComment = 4,
    inName = 8,
    inDoubleQuotedValue = 16
};

constexpr std::array<unsigned char, 256> charClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0x20; c < 0x7F; ++c) {
        classes[c] = inComment | (c == '<' || c == '&' ? 0 : inValue);
        if (c != '<' && c != '&' && c != '"') {
            classes[c] |= inDoubleQuotedValue;
        }
        if (std::string_view(" =<>/?\"'").find(static_cast<char>(c)) == std::string_view::npos) {
            classes[c] |= inName;
        }
    }
    for (const char c : {' ', '\t', '\r', '\n'}) {
        classes[static_cast<unsigned char>(c)] |= blank | inComment;
    }
    return classes;
}();

bool Is(char c, CharClass charClass) {
    return (charClasses[static_cast<unsigned char>(c)] & charClass) != 0;
}

// Blank runs are mostly indentation, so eight spaces at a time are passed in one comparison.
std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    constexpr std::uint64_t eightSpaces = 0x2020202020202020u;
    std::uint64_t eight = 0;
    while (at < text.size()) {
        if (text.size() - at >= sizeof eight) {
            std::memcpy(&eight, text.data() + at, sizeof eight);
            if (eight == eightSpaces) {
                at += sizeof eight;
                continue;
            }
        }
        if (!Is(text[at], blank)) {
            break;
        }
        ++at;
    }
    return at;
}

std::size_t SkipName(std::string_view text, std::size_t at) {
    while (at < text.size() && Is(text[at], inName)) {
        ++at;
    }
    return at;
}

std::uint64_t Load8(const char* at) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

std::uint32_t Load4(const char* at) {
    std::uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Whether the text at `at` holds these bytes, compared in whole words (the last word overlapping
// the one before it): the fixed runs of the writer's layout are too short for a call to memcmp to pay.
bool Follows(std::string_view text, std::size_t at, std::string_view fixed) {
    const std::size_t size = fixed.size();
    if (text.size() - at < size) {
        return false;
    }
    const char* here = text.data() + at;
    const char* there = fixed.data();
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 < size; i += 8) {
            if (Load8(here + i) != Load8(there + i)) {
                return false;
            }
        }
        return Load8(here + size - 8) == Load8(there + size - 8);
    }
    if (size >= 4) {
        return Load4(here) == Load4(there) && Load4(here + size - 4) == Load4(there + size - 4);
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (here[i] != there[i]) {
            return false;
        }
    }
    return true;
}

// The end of the name at `at`, found at once where it is the name expected there.
std::size_t SkipName(std::string_view text, std::size_t at, std::string_view expected) {
    const std::size_t end = at + expected.size();
    if (end < text.size() && Follows(text, at, expected) && !Is(text[end], inName)) {
        return end;
    }
    return SkipName(text, at);
}

// The end of a run of characters that a double-quoted value may hold, from i. Values are most of a
// file's bytes, so where the processor has SSE2 they are checked sixteen at a time.
std::size_t SkipDoubleQuotedValue(std::string_view text, std::size_t i) {
#ifdef __SSE2__
    const __m128i belowPrintable = _mm_set1_epi8(0x1F);
    const __m128i delete_ = _mm_set1_epi8(0x7F);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i lessThan = _mm_set1_epi8('<');
    const __m128i ampersand = _mm_set1_epi8('&');
    while (text.size() - i >= sizeof(__m128i)) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        // Printable ASCII, compared as signed bytes so that every byte from 0x80 up falls below ' '.
        const __m128i printable =
            _mm_and_si128(_mm_cmpgt_epi8(bytes, belowPrintable), _mm_cmplt_epi8(bytes, delete_));
        const __m128i refused =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quote),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, lessThan), _mm_cmpeq_epi8(bytes, ampersand)));
        const auto stops =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(refused, printable))) ^ 0xFFFFu;
        if (stops != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(stops));
        }
        i += sizeof(__m128i);
    }
#endif
    while (i < text.size() && Is(text[i], inDoubleQuotedValue)) {
        ++i;
    }
    return i;
}

bool AllIn(std::string_view text, CharClass charClass) {
    return std::all_of(text.begin(), text.end(), [charClass](char c) { return Is(c, charClass); });
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
    return text.size() == upper.size() &&
           std::equal(text.begin(), text.end(), upper.begin(), [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
           });
}

// One attribute of a tag as Grovewright's writer lays it out: the fixed text before its value (from
// the previous value's closing quote to this value's opening quote), and its name.
struct LaidOut {
    std::string_view lead;
    std::string_view name;
};

constexpr LaidOut writersSceneryObject[] = {
    {"\r\n        lat=\"", "lat"},     {" lon=\"", "lon"},
    {"\r\n        alt=\"", "alt"},     {" altitudeIsAgl=\"", "altitudeIsAgl"},
    {"\r\n        pitch=\"", "pitch"}, {" bank=\"", "bank"},
    {" heading=\"", "heading"},        {"\r\n        imageComplexity=\"", "imageComplexity"},
};
constexpr LaidOut writersLibraryObject[] = {
    {"\r\n            name=\"", "name"},
    {"\r\n            scale=\"", "scale"},
};

// The writer's own layout of a tag's attributes, after the element's name, read by comparing its fixed
// text in whole runs rather than byte by byte; false where the text differs in any way (the attributes
// are then read one by one). Gives the same tag as ReadAttributes.
template <std::size_t count, typename Tag>
bool ReadWritersLayout(std::string_view text, std::size_t& at, const LaidOut (&layout)[count],
                       std::string_view closing, Tag& tag) {
    std::size_t i = at;
    tag.count = 0;
    for (const LaidOut& attribute : layout) {
        if (!Follows(text, i, attribute.lead)) {
            return false;
        }
        i += attribute.lead.size();
        // The value's characters are checked on the way to its closing quote, in one pass.
        const std::size_t valueStart = i;
        i = SkipDoubleQuotedValue(text, i);
        if (i == text.size() || text[i] != '"') {
            return false;
        }
        tag.attributes[tag.count++] = {attribute.name, text.substr(valueStart, i - valueStart)};
        ++i;
    }
    if (!Follows(text, i, closing)) {
        return false;
    }
    tag.empty = closing.ends_with("/>");
    at = i + closing.size();
    return true;
}

}  // namespace

SceneryScanner::SceneryScanner(std::size_t textSize) {
    // The bytes one object takes in the writer's layout.
    constexpr std::size_t writtenObjectSize = 320;
    contents_.records.reserve(textSize / writtenObjectSize);
}

SceneryScanner SceneryScanner::AfterAnObject(std::size_t textSize) {
    SceneryScanner scanner(textSize);
    scanner.place_ = Place::fsData;
    scanner.followsObjects_ = true;
    return scanner;
}

std::size_t SceneryScanner::Scan(std::string_view text, bool atEnd) {
    std::size_t at = 0;
    while (!Declined() && !Finished()) {
        const bool inContent = place_ != Place::start && place_ != Place::declaration;
        if (inContent) {
            at = SkipBlanks(text, at);
        }
        if (inContent && at == text.size()) {
            if (atEnd) {
                End();
            }
            return at;
        }
        const std::size_t itemStart = at;
        const Step step = ScanItem(text, at, atEnd);
        if (step == Step::refused) {
            place_ = Place::declined;
        } else if (step == Step::cut) {
            if (atEnd || text.size() - itemStart >= longestItem) {
                place_ = Place::declined;
            }
            return itemStart;
        }
    }
    return at;
}

SceneryScanner::Step SceneryScanner::ScanItem(std::string_view text, std::size_t& at, bool atEnd) {
    if (place_ == Place::start) {
        return ScanStart(text, at, atEnd);
    }
    if (place_ == Place::declaration) {
        return text.size() - at < 2 && !atEnd ? Step::cut : ScanDeclaration(text, at);
    }
    return text[at] == '<' ? ScanMarkup(text, at) : Step::refused;
}

SceneryScanner::Step SceneryScanner::ScanStart(std::string_view text, std::size_t& at, bool atEnd) {
    if (text.size() - at < byteOrderMark.size() && !atEnd) {
        return Step::cut;
    }
    if (text.substr(at).starts_with(byteOrderMark)) {
        at += byteOrderMark.size();
    }
    place_ = Place::declaration;
    return Step::read;
}

// <?xml version="1.0" encoding="UTF-8" standalone="yes"?>, encoding and standalone optional, only at
// the very start. Any other processing instruction is left to the parser.
SceneryScanner::Step SceneryScanner::ScanDeclaration(std::string_view text, std::size_t& at) {
    constexpr std::string_view opening = "<?xml";
    if (!text.substr(at).starts_with("<?")) {
        place_ = Place::prolog;
        return Step::read;
    }
    if (text.size() - at <= opening.size()) {
        return Step::cut;
    }
    if (!text.substr(at).starts_with(opening) || !Is(text[at + opening.size()], blank)) {
        return Step::refused;
    }
    std::size_t end = at + opening.size();
    Tag& tag = tag_;
    if (const Step step = ReadAttributes(text, end, '?', tag); step != Step::read) {
        return step;
    }
    std::size_t next = 0;
    const auto take = [&](std::string_view name) {
        const bool here = next < tag.count && tag.attributes[next].name == name;
        return here ? &tag.attributes[next++].value : nullptr;
    };
    const std::string_view* version = take("version");
    const std::string_view* encoding = take("encoding");
    const std::string_view* standalone = take("standalone");
    if (version == nullptr || *version != "1.0" || next != tag.count ||
        (encoding != nullptr && !EqualsIgnoringCase(*encoding, "UTF-8")) ||
        (standalone != nullptr && *standalone != "yes" && *standalone != "no")) {
        return Step::refused;
    }
    at = end;
    place_ = Place::prolog;
    return Step::read;
}

SceneryScanner::Step SceneryScanner::ScanMarkup(std::string_view text, std::size_t& at) {
    if (text.size() - at < 2) {
        return Step::cut;
    }
    switch (text[at + 1]) {
        case '!':
            return ScanComment(text, at);
        case '/':
            return ScanEndTag(text, at);
        case '?':
            return Step::refused;
        default:
            return ScanStartTag(text, at);
    }
}

// A comment of printable ASCII and blanks, with no "--" before its end.
SceneryScanner::Step SceneryScanner::ScanComment(std::string_view text, std::size_t& at) {
    constexpr std::string_view opening = "<!--";
    if (text.size() - at < opening.size()) {
        return Step::cut;
    }
    if (!text.substr(at).starts_with(opening)) {
        return Step::refused;
    }
    for (std::size_t i = at + opening.size(); i < text.size(); ++i) {
        if (!Is(text[i], inComment)) {
            return Step::refused;
        }
        if (text[i] != '-') {
            continue;
        }
        if (text.size() - i < 3) {
            return Step::cut;
        }
        if (text[i + 1] == '-') {
            if (text[i + 2] != '>') {
                return Step::refused;
            }
            at = i + 3;
            return Step::read;
        }
    }
    return Step::cut;
}

// Attributes, each after a blank, as name="value" or name='value' with blanks allowed around the '=',
// up to the tag's end: '>' or "/>", or "?>" where closer is '?'. A name given twice is refused, as the
// parser refuses it.
SceneryScanner::Step SceneryScanner::ReadAttributes(std::string_view text, std::size_t& at, char closer,
                                                    Tag& tag) {
    tag.count = 0;
    std::size_t i = at;
    for (;;) {
        const std::size_t blanksFrom = i;
        i = SkipBlanks(text, i);
        if (i >= text.size()) {
            return Step::cut;
        }
        if (text[i] == '/' || text[i] == '?' || text[i] == '>') {
            if (text[i] == '>') {
                tag.empty = false;
                at = i + 1;
                return closer == '/' ? Step::read : Step::refused;
            }
            if (text[i] != closer) {
                return Step::refused;
            }
            if (i + 1 >= text.size()) {
                return Step::cut;
            }
            tag.empty = true;
            at = i + 2;
            return text[i + 1] == '>' ? Step::read : Step::refused;
        }
        if (i == blanksFrom || tag.count == mostAttributes) {
            return Step::refused;
        }
        Attribute& attribute = tag.attributes[tag.count];
        const std::size_t nameEnd = SkipName(text, i);
        attribute.name = text.substr(i, nameEnd - i);
        i = SkipBlanks(text, nameEnd);
        if (i >= text.size()) {
            return Step::cut;
        }
        if (attribute.name.empty() || text[i] != '=') {
            return Step::refused;
        }
        i = SkipBlanks(text, i + 1);
        if (i >= text.size()) {
            return Step::cut;
        }
        if (text[i] != '"' && text[i] != '\'') {
            return Step::refused;
        }
        const std::size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) {
            return Step::cut;
        }
        attribute.value = text.substr(i + 1, close - i - 1);
        const auto begin = tag.attributes.begin();
        if (!AllIn(attribute.value, inValue) ||
            std::any_of(begin, begin + tag.count,
                        [&](const Attribute& a) { return a.name == attribute.name; })) {
            return Step::refused;
        }
        ++tag.count;
        i = close + 1;
    }
}

SceneryScanner::Step SceneryScanner::ScanStartTag(std::string_view text, std::size_t& at) {
    std::size_t end = SkipName(text, at + 1, place_ == Place::fsData ? "SceneryObject" : "LibraryObject");
    const std::string_view name = text.substr(at + 1, end - at - 1);
    const Tag& tag = tag_;
    const bool laidOut =
        name == "SceneryObject"   ? ReadWritersLayout(text, end, writersSceneryObject, ">", tag_)
        : name == "LibraryObject" ? ReadWritersLayout(text, end, writersLibraryObject, " />", tag_)
                                  : false;
    if (!laidOut) {
        if (const Step step = ReadAttributes(text, end, '/', tag_); step != Step::read) {
            return step;
        }
    }
    bool taken = false;
    if (place_ == Place::prolog && name == "FSData") {
        taken = !tag.empty && TakeFsData(tag);
        place_ = Place::fsData;
    } else if (place_ == Place::fsData && name == "SceneryObject") {
        taken = !tag.empty && TakeSceneryObject(tag);
        place_ = Place::sceneryObject;
    } else if (place_ == Place::sceneryObject && name == "LibraryObject") {
        taken = TakeLibraryObject(tag);
        place_ = tag.empty ? Place::sceneryObject : Place::libraryObject;
    }
    at = end;
    return taken ? Step::read : Step::refused;
}

SceneryScanner::Step SceneryScanner::ScanEndTag(std::string_view text, std::size_t& at) {
    const std::size_t nameEnd = SkipName(text, at + 2, "SceneryObject");
    const std::size_t end = SkipBlanks(text, nameEnd);
    if (end >= text.size()) {
        return Step::cut;
    }
    if (text[end] != '>' || !TakeEnd(text.substr(at + 2, nameEnd - at - 2))) {
        return Step::refused;
    }
    at = end + 1;
    return Step::read;
}

bool SceneryScanner::TakeFsData(const Tag& tag) {
    bool hasVersion = false;
    bool declaresPrefix = false;
    bool usesPrefix = false;
    for (std::size_t i = 0; i < tag.count; ++i) {
        const Attribute& attribute = tag.attributes[i];
        if (attribute.name == "version") {
            hasVersion = attribute.value == "9.0";
        } else if (attribute.name == "xmlns:xsi" && attribute.value == schemaInstanceNamespace) {
            declaresPrefix = true;
        } else if (attribute.name == "xsi:noNamespaceSchemaLocation") {
            usesPrefix = true;
        } else {
            return false;
        }
    }
    return hasVersion && (declaresPrefix || !usesPrefix);
}

bool SceneryScanner::TakeSceneryObject(const Tag& tag) {
    ++contents_.objectCount;
    object_ = SceneryObjectFields{};
    libraryObjects_ = 0;
    for (std::size_t i = 0; i < tag.count; ++i) {
        const Attribute& attribute = tag.attributes[i];
        if (ReadSceneryObjectAttribute(object_, attribute.name, attribute.value).use !=
            AttributeReading::Use::taken) {
            return false;
        }
    }
    return object_.hasLat && object_.hasLon;
}

bool SceneryScanner::TakeLibraryObject(const Tag& tag) {
    if (++libraryObjects_ > 1) {
        return false;
    }
    for (std::size_t i = 0; i < tag.count; ++i) {
        const Attribute& attribute = tag.attributes[i];
        if (ReadLibraryObjectAttribute(object_, attribute.name, attribute.value).use !=
            AttributeReading::Use::taken) {
            return false;
        }
    }
    return object_.hasName;
}

bool SceneryScanner::TakeEnd(std::string_view name) {
    if (place_ == Place::libraryObject && name == "LibraryObject") {
        place_ = Place::sceneryObject;
        return true;
    }
    if (place_ == Place::sceneryObject && name == "SceneryObject" && libraryObjects_ == 1) {
        contents_.records.push_back(FinishedRecord(object_));
        place_ = Place::fsData;
        return true;
    }
    // A root with no objects earns the parser's reading a warning.
    if (place_ == Place::fsData && name == "FSData" && (contents_.objectCount > 0 || followsObjects_)) {
        place_ = Place::epilog;
        return true;
    }
    return false;
}

void SceneryScanner::End() {
    place_ = place_ == Place::epilog ? Place::finished : Place::declined;
}

}  // namespace Bglcomp
