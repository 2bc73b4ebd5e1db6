#pragma once

#include <cstddef>
#include <string_view>

namespace Bglcomp {

// Where the parts of a start tag stand, so that a problem can be reported at the line of the
// attribute at fault. The XML parser reports an element once it has read the start tag up to its
// closing '>' or "/>", and the whole tag is still in its buffer then. The tag begins at the last
// '<' before that point, as '<' cannot stand unescaped inside an attribute value. Lines are counted
// back from the line on which the tag ends, over the line feeds inside the tag, the only line ends
// the parser counts. Whatever cannot be found safely is placed on the tag's last line.
//
// Works out nothing until asked, so that a good tag costs nothing. The text must stay in place
// while it is asked about.
class StartTagLines {
public:
    StartTagLines() = default;
    // read: the parser's input up to the tag's closing '>' or "/>" (exclusive), or empty when the
    // parser does not stand at a tag's end; prefix, localName: the element's name (prefix may be
    // empty); endLine: the line of the closing '>' or "/>".
    StartTagLines(std::string_view read, std::string_view prefix, std::string_view localName, long endLine)
        : read_(read), prefix_(prefix), localName_(localName), endLine_(endLine) {}

    // The line of the tag's '<'.
    long TagLine();
    // The line of the index-th attribute written in the tag (namespace declarations not counted),
    // whose name as written is name.
    long AttributeLine(std::size_t index, std::string_view name);

private:
    enum class Search { notYet, found, lost };

    bool Locate();
    void RestartAttributes();
    bool NextAttribute();
    void SkipBlanks();

    std::string_view read_;
    std::string_view prefix_;
    std::string_view localName_;
    long endLine_ = 0;
    Search search_ = Search::notYet;
    std::string_view tag_;  // from the '<' to the closing '>' or "/>" (exclusive)
    long tagLine_ = 0;
    std::size_t nameEnd_ = 0;  // where the element's name ends in tag_
    // Reading the attributes in order: where the reading stands and on which line, how many
    // attributes it has passed, and the last one's name and line.
    std::size_t next_ = 0;
    long nextLine_ = 0;
    std::size_t attributesRead_ = 0;
    std::string_view attributeName_;
    long attributeLine_ = 0;
};

}  // namespace Bglcomp
