#include "scene/json_reader.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "scene/json_location.h"
#include "universe/host_error.h"

namespace host {

namespace {

using nlohmann::json;

/// A text iterator that tells how far the parser has read, so that SAX events, which carry no
/// position, can be placed: the lexer reads no further than the end of the token it hands over.
class CountingIterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, const char** furthest) : at_(at), furthest_(furthest) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++() {
        *furthest_ = ++at_;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

  private:
    const char* at_;
    const char** furthest_;
};

/// Where a key was written: from its opening quote to just past its closing one.
struct KeySpan {
    size_t begin;
    size_t end;
};

/// An open array or object.
struct Frame {
    json* value;
    std::vector<KeySpan> keys;  ///< an object's keys so far, for messages about repeats
    std::string key;            ///< the key whose value is being read
};

/// Builds the value as nlohmann's own DOM reader does, checking as it goes.
class StrictBuilder {
  public:
    StrictBuilder(std::string_view text, const std::string& fileName)
        : text_(text), fileName_(fileName), read_(text.data()) {}

    json take() { return std::move(root_); }
    const std::string& error() const { return error_; }
    const char** furthest() { return &read_; }

    bool null() { return add(nullptr); }
    bool boolean(bool v) { return add(v); }
    bool number_integer(json::number_integer_t v) {
        // An integer keeps no sign of zero, yet "-0" is written with one: keep it as -0.0.
        if (v == 0 && writtenNegative()) return add(-0.0);
        return add(v);
    }
    bool number_unsigned(json::number_unsigned_t v) { return add(v); }
    bool number_float(json::number_float_t v, const std::string&) { return add(v); }
    bool string(std::string& v) { return add(std::move(v)); }
    bool binary(json::binary_t& v) { return add(std::move(v)); }

    bool start_object(size_t) { return open(json::value_t::object); }
    bool start_array(size_t) { return open(json::value_t::array); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(std::string& name) {
        Frame& frame = frames_[depth_ - 1];
        const size_t end = consumed();
        const KeySpan span{openingQuote(end), end};
        if (frame.value->contains(name)) {
            for (const KeySpan& earlier : frame.keys)
                if (keyText(earlier) == name) {
                    const TextLocation first = locateOffset(text_, earlier.begin);
                    return fail(span.begin, "the key '" + clipped(name) + "' is given twice" +
                                                where(depth_ - 1, " in '") + ", first at " +
                                                lineColumn(first));
                }
        }
        frame.keys.push_back(span);
        frame.key = name;
        return true;
    }

    bool parse_error(size_t position, const std::string& token, const json::exception& e) {
        if (e.id == 406) {
            // The position is just past the number; its text is the token.
            const size_t begin = position >= token.size() ? position - token.size() : 0;
            return fail(begin, "the number " + clipped(token) + where(depth_) +
                                   " is out of range: numbers must fit a double");
        }
        std::string reason = e.what();
        const size_t column = reason.find("column");
        const size_t colon = column == std::string::npos ? column : reason.find(": ", column);
        if (colon != std::string::npos)
            reason = reason.substr(colon + 2);
        else if (const size_t bracket = reason.find("] "); bracket != std::string::npos)
            reason = reason.substr(bracket + 2);
        // A parse_error's byte counts from 1 and points at the character that broke the parse.
        const auto* syntax = dynamic_cast<const json::parse_error*>(&e);
        const size_t at = syntax && syntax->byte > 0 ? syntax->byte - 1 : position;
        return fail(at, "malformed JSON: " + reason);
    }

  private:
    size_t consumed() const { return static_cast<size_t>(read_ - text_.data()); }

    /// Whether the integer zero just read was "-0". The lexer has read one character past a
    /// number unless the text ended, and that character cannot be a digit after a zero.
    bool writtenNegative() const {
        size_t end = consumed();
        if (end > 0 && text_[end - 1] != '0') --end;
        return end >= 2 && text_[end - 2] == '-' && text_[end - 1] == '0';
    }

    /// The opening quote of the string token that ends just before `end`: the nearest quote
    /// before the closing one that no backslash escapes.
    size_t openingQuote(size_t end) const {
        for (size_t i = end >= 2 ? end - 2 : 0; i > 0; --i) {
            if (text_[i] != '"') continue;
            size_t slashes = 0;
            while (slashes < i && text_[i - 1 - slashes] == '\\') ++slashes;
            if (slashes % 2 == 0) return i;
        }
        return 0;
    }

    std::string keyText(const KeySpan& span) const {
        try {
            return json::parse(text_.substr(span.begin, span.end - span.begin)).get<std::string>();
        } catch (const json::exception&) {
            return {};
        }
    }

    static std::string lineColumn(const TextLocation& at) {
        return std::to_string(at.line) + ":" + std::to_string(at.column);
    }

    /// At most 40 bytes of `text`, cut between UTF-8 characters.
    static std::string clipped(const std::string& text) {
        if (text.size() <= 40) return text;
        size_t cut = 37;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return text.substr(0, cut) + "...";
    }

    /// " under 'objects[2].radius'": the path through the `levels` outermost open containers,
    /// each step the key or index being read there; only the innermost steps of a deep one.
    std::string where(size_t levels, const char* word = " under '") const {
        std::string path;
        const size_t first = levels > 6 ? levels - 6 : 0;
        for (size_t i = first; i < levels; ++i) {
            const Frame& frame = frames_[i];
            if (frame.value->is_object())
                path += (path.empty() ? "" : ".") + clipped(frame.key);
            else  // an outer array holds the element being read already; the innermost not yet
                path += "[" + std::to_string(frame.value->size() - (i + 1 < depth_ ? 1 : 0)) + "]";
        }
        if (path.empty()) return "";
        return word + std::string(first > 0 ? "..." : "") + path + "'";
    }

    bool fail(size_t offset, const std::string& what) {
        error_ = fileName_ + ":" + lineColumn(locateOffset(text_, offset)) + ": " + what;
        return false;
    }

    /// Places a finished value in the open container, or makes it the root.
    template <typename Value>
    json* place(Value&& v) {
        if (depth_ == 0) {
            root_ = json(std::forward<Value>(v));
            return &root_;
        }
        json& parent = *frames_[depth_ - 1].value;
        if (parent.is_array()) {
            parent.emplace_back(std::forward<Value>(v));
            return &parent.back();
        }
        json& slot = parent[frames_[depth_ - 1].key];
        slot = json(std::forward<Value>(v));
        return &slot;
    }

    template <typename Value>
    bool add(Value&& v) {
        place(std::forward<Value>(v));
        return true;
    }

    bool open(json::value_t kind) {
        if (depth_ == kMaxJsonDepth)
            return fail(consumed() - 1, "values nest deeper than " + std::to_string(kMaxJsonDepth) +
                                            " levels" + where(depth_));
        json* value = place(kind);
        // Frames are kept for reuse: a file of many small objects allocates few of them.
        if (frames_.size() == depth_) frames_.emplace_back();
        Frame& frame = frames_[depth_++];
        frame.value = value;
        frame.keys.clear();
        frame.key.clear();
        return true;
    }

    bool close() {
        --depth_;
        return true;
    }

    std::string_view text_;
    const std::string& fileName_;
    const char* read_;
    json root_;
    std::vector<Frame> frames_;
    size_t depth_ = 0;
    std::string error_;
};

}  // namespace

json parseJsonText(std::string_view text, const std::string& fileName) {
    // The parser takes a NUL for the end of the text and would pass over all that follows.
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const TextLocation at = locateOffset(text, nul);
        throw HostError(fileName + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                        ": a NUL byte, at byte offset " + std::to_string(nul) +
                        "; a JSON text holds none");
    }
    StrictBuilder builder(text, fileName);
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (!json::sax_parse(CountingIterator(begin, builder.furthest()),
                         CountingIterator(end, builder.furthest()), &builder))
        throw HostError(builder.error());
    return builder.take();
}

}  // namespace host
