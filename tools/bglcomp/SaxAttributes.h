#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <libxml/parser.h>

// What libxml2's SAX2 callbacks hand the scenery reader, in handier form: texts as views, names with
// their prefixes, and the attributes of a start tag.
namespace Bglcomp {

// The error argument of libxml2's structured error handler (its constness differs by version).
template <typename>
struct ErrorArgument;
template <typename R, typename A, typename B>
struct ErrorArgument<R (*)(A, B)> {
    using Type = B;
};
using XmlErrorArgument = ErrorArgument<xmlStructuredErrorFunc>::Type;

inline std::string_view View(const xmlChar* text) {
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

inline std::string_view View(const xmlChar* begin, const xmlChar* end) {
    return std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

// An element or attribute name as written, prefix included.
inline std::string QualifiedName(const xmlChar* prefix, const xmlChar* localName) {
    return prefix == nullptr ? std::string(View(localName))
                             : std::string(View(prefix)) + ':' + std::string(View(localName));
}

// One attribute of libxml2's SAX2 start-element callback: the index-th written in the tag, or
// one that a DTD supplies by default (not written).
struct Attribute {
    const xmlChar* localName;
    const xmlChar* prefix;
    const xmlChar* uri;
    std::string_view value;
    std::size_t index;
    bool written;

    std::string Name() const { return QualifiedName(prefix, localName); }
    bool Is(std::string_view name) const { return prefix == nullptr && View(localName) == name; }
};

// libxml2 lists the attributes written in the tag first, in their order, then the defaulted ones.
inline Attribute AttributeAt(const xmlChar** attributes, int index, int writtenCount) {
    const xmlChar** a = attributes + 5 * index;
    return Attribute{
        a[0], a[1], a[2], View(a[3], a[4]), static_cast<std::size_t>(index), index < writtenCount};
}

// The attributes of one start-element callback.
struct Attributes {
    const xmlChar** list;
    int count;
    int defaultedCount;

    Attribute At(int index) const { return AttributeAt(list, index, count - defaultedCount); }
};

}  // namespace Bglcomp
