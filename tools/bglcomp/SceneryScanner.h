#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "tools/bglcomp/SceneryObjectFields.h"
#include "tools/bglcomp/SceneryXmlReading.h"

namespace Bglcomp {

// Reads the common case of scenery XML, a good file laid out as Grovewright writes it or much like
// it, several times faster than the XML parser: a strict scanner of the few constructs such a file
// holds (comments, the three elements with their known attributes, blanks, an optional UTF-8 byte
// order mark and XML declaration), all in printable ASCII. At anything else, and at any problem
// at all, it declines, so that the XML parser reads the file instead and reports what it finds in
// its own words and lines. What the scanner accepts, the parser reads to the same records with no
// problem.
//
// The text arrives in pieces: Scan takes the complete items at the start of what it is given and
// says how many bytes they took; the rest comes again with more text behind it. An item longer than
// longestItem is not waited for: the scanner declines, so that its buffer stays bounded.
class SceneryScanner {
public:
    static constexpr std::size_t longestItem = std::size_t{1} << 16;

    // textSize: the length the whole text is expected to have, so that the records get room for as
    // many objects as that much text in the writer's layout holds, rather than a series of growing
    // arrays each copied into the next; 0 where unknown.
    explicit SceneryScanner(std::size_t textSize = 0);
    // A scanner for the latter part of a text, starting inside FSData after at least one object: the
    // part another scanner's BetweenObjects confirms that the former part ends at.
    static SceneryScanner AfterAnObject(std::size_t textSize);

    // atEnd: no text follows what is given.
    std::size_t Scan(std::string_view text, bool atEnd);

    bool Declined() const { return place_ == Place::declined; }
    // The whole text was read and accepted.
    bool Finished() const { return place_ == Place::finished; }
    // What was scanned so far ends inside FSData after a whole object, before the next or the end tag.
    bool BetweenObjects() const { return place_ == Place::fsData && contents_.objectCount > 0; }
    // The records and the object count, once finished.
    SceneryXmlContents TakeContents() { return std::move(contents_); }

private:
    enum class Place {
        start,
        declaration,
        prolog,
        fsData,
        sceneryObject,
        libraryObject,
        epilog,
        finished,
        declined
    };
    // How an item's reading ended: read whole, cut off by the end of the text given, or refused.
    enum class Step { read, cut, refused };

    struct Attribute {
        std::string_view name;
        std::string_view value;
    };
    static constexpr std::size_t mostAttributes = 12;
    // A start tag (or the XML declaration) read whole: its attributes, and whether it closed with "/>".
    struct Tag {
        std::array<Attribute, mostAttributes> attributes;
        std::size_t count = 0;
        bool empty = false;
    };

    // Reads the item at text[at]; on Step::read, at is past it.
    Step ScanItem(std::string_view text, std::size_t& at, bool atEnd);
    Step ScanStart(std::string_view text, std::size_t& at, bool atEnd);
    Step ScanDeclaration(std::string_view text, std::size_t& at);
    Step ScanMarkup(std::string_view text, std::size_t& at);
    Step ScanComment(std::string_view text, std::size_t& at);
    Step ReadAttributes(std::string_view text, std::size_t& at, char closer, Tag& tag);
    Step ScanStartTag(std::string_view text, std::size_t& at);
    Step ScanEndTag(std::string_view text, std::size_t& at);

    bool TakeFsData(const Tag& tag);
    bool TakeSceneryObject(const Tag& tag);
    bool TakeLibraryObject(const Tag& tag);
    bool TakeEnd(std::string_view name);
    // Where the text ends, and whether what was read is a whole good file.
    void End();

    Place place_ = Place::start;
    Tag tag_;  // the tag being read, kept so that a million tags do not each clear a new one
    SceneryObjectFields object_;
    int libraryObjects_ = 0;
    bool followsObjects_ = false;  // objects came before the text this scanner reads
    SceneryXmlContents contents_;
};

}  // namespace Bglcomp
