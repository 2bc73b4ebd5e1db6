#include "tools/bglcomp/StartTagLines.h"

#include <cstring>

namespace Bglcomp {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// To the parser a namespace declaration is no attribute, so it is not counted.
bool IsNamespaceDeclaration(std::string_view name) {
    return name == "xmlns" || name.starts_with("xmlns:");
}

// Jumps from line feed to line feed: a tag holds few, and memchr passes the text between in large steps.
long LineFeeds(std::string_view text) {
    long count = 0;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
        ++count;
        at = static_cast<const char*>(found) + 1;
    }
    return count;
}

}  // namespace

long StartTagLines::TagLine() {
    return Locate() ? tagLine_ : endLine_;
}

long StartTagLines::AttributeLine(std::size_t index, std::string_view name) {
    if (!Locate()) {
        return endLine_;
    }
    if (attributesRead_ > index + 1) {
        RestartAttributes();
    }
    while (attributesRead_ <= index) {
        if (!NextAttribute()) {
            search_ = Search::lost;
            return endLine_;
        }
    }
    if (attributeName_ != name) {
        search_ = Search::lost;
        return endLine_;
    }
    return attributeLine_;
}

// Finds the tag's '<' and checks that the element's name follows it.
bool StartTagLines::Locate() {
    if (search_ != Search::notYet) {
        return search_ == Search::found;
    }
    search_ = Search::lost;
    const void* start = read_.empty() ? nullptr : memrchr(read_.data(), '<', read_.size());
    if (start == nullptr) {
        return false;
    }
    tag_ = read_.substr(static_cast<std::size_t>(static_cast<const char*>(start) - read_.data()));
    std::string_view rest = tag_.substr(1);
    if (!prefix_.empty()) {
        if (!rest.starts_with(prefix_) || rest.substr(prefix_.size()).substr(0, 1) != ":") {
            return false;
        }
        rest.remove_prefix(prefix_.size() + 1);
    }
    if (!rest.starts_with(localName_)) {
        return false;
    }
    rest.remove_prefix(localName_.size());
    if (!rest.empty() && !IsBlank(rest.front())) {
        return false;
    }
    tagLine_ = endLine_ - LineFeeds(tag_);
    nameEnd_ = tag_.size() - rest.size();
    search_ = Search::found;
    RestartAttributes();
    return true;
}

void StartTagLines::RestartAttributes() {
    next_ = nameEnd_;
    nextLine_ = tagLine_;
    attributesRead_ = 0;
}

// Reads the next attribute, name="value" or name='value' with blanks allowed around the '=';
// false when the tag's text does not go on so.
bool StartTagLines::NextAttribute() {
    for (;;) {
        SkipBlanks();
        const std::size_t nameAt = next_;
        while (next_ < tag_.size() && !IsBlank(tag_[next_]) && tag_[next_] != '=') {
            ++next_;
        }
        const std::string_view name = tag_.substr(nameAt, next_ - nameAt);
        const long nameLine = nextLine_;
        SkipBlanks();
        if (name.empty() || next_ >= tag_.size() || tag_[next_] != '=') {
            return false;
        }
        ++next_;
        SkipBlanks();
        if (next_ >= tag_.size() || (tag_[next_] != '"' && tag_[next_] != '\'')) {
            return false;
        }
        const std::size_t close = tag_.find(tag_[next_], next_ + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        nextLine_ += LineFeeds(tag_.substr(next_, close - next_));
        next_ = close + 1;
        if (!IsNamespaceDeclaration(name)) {
            attributeName_ = name;
            attributeLine_ = nameLine;
            ++attributesRead_;
            return true;
        }
    }
}

void StartTagLines::SkipBlanks() {
    while (next_ < tag_.size() && IsBlank(tag_[next_])) {
        nextLine_ += tag_[next_] == '\n' ? 1 : 0;
        ++next_;
    }
}

}  // namespace Bglcomp
