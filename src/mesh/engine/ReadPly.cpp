#include "mesh/engine/ReadPly.h"

#include "mesh/engine/FlatMesh.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/LineScan.h"
#include "mesh/engine/Progress.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <vector>

namespace {

enum class PlyType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };

const std::map<std::string, PlyType>& typeNames()
{
    static const std::map<std::string, PlyType> names = { { "char", PlyType::Int8 },
        { "int8", PlyType::Int8 }, { "uchar", PlyType::UInt8 }, { "uint8", PlyType::UInt8 },
        { "short", PlyType::Int16 }, { "int16", PlyType::Int16 }, { "ushort", PlyType::UInt16 },
        { "uint16", PlyType::UInt16 }, { "int", PlyType::Int32 }, { "int32", PlyType::Int32 },
        { "uint", PlyType::UInt32 }, { "uint32", PlyType::UInt32 }, { "float", PlyType::Float32 },
        { "float32", PlyType::Float32 }, { "double", PlyType::Float64 },
        { "float64", PlyType::Float64 } };
    return names;
}

std::size_t sizeOf(PlyType type)
{
    switch (type) {
    case PlyType::Int8:
    case PlyType::UInt8:
        return 1;
    case PlyType::Int16:
    case PlyType::UInt16:
        return 2;
    case PlyType::Int32:
    case PlyType::UInt32:
    case PlyType::Float32:
        return 4;
    case PlyType::Float64:
        return 8;
    }
    return 1;
}

bool isFloat(PlyType type)
{
    return type == PlyType::Float32 || type == PlyType::Float64;
}

// What a vertex property is to the mesh.
enum class Role { None, X, Y, Z, Red, Green, Blue, Corners };

struct Property
{
    PlyType type = PlyType::Float32;
    bool list = false;
    PlyType countType = PlyType::UInt8;
    Role role = Role::None;
};

struct Element
{
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
    bool isVertex = false, isFace = false;
};

enum class Format { Ascii, Little, Big };

struct Header
{
    Format format = Format::Ascii;
    std::vector<Element> elements;
    std::size_t dataStart = 0;
};

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < line.size();) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t')
            ++j;
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

Role roleOf(const std::string& element, const std::string& name, bool list)
{
    if (element == "face")
        return list && (name == "vertex_indices" || name == "vertex_index") ? Role::Corners
                                                                            : Role::None;
    if (element != "vertex" || list)
        return Role::None;
    if (name == "x")
        return Role::X;
    if (name == "y")
        return Role::Y;
    if (name == "z")
        return Role::Z;
    if (name == "red" || name == "diffuse_red")
        return Role::Red;
    if (name == "green" || name == "diffuse_green")
        return Role::Green;
    if (name == "blue" || name == "diffuse_blue")
        return Role::Blue;
    return Role::None;
}

// The header, whole (every line one the format knows, up to "end_header"
// within the first 64 KiB), its counts fitting the bytes that follow: each
// element takes at least one byte per property in binary files and two in text
// ones.
bool parseHeader(std::string_view bytes, Header& header, std::string& why)
{
    if (bytes.compare(0, 4, "ply\n") != 0 && bytes.compare(0, 5, "ply\r\n") != 0) {
        why = "does not start with \"ply\"";
        return false;
    }
    const std::size_t limit = std::min<std::size_t>(bytes.size(), 65536);
    std::size_t pos = bytes.find('\n') + 1;
    bool formatSeen = false;
    double minimumBytes = 0.0;
    while (pos < limit) {
        const std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos || end >= limit)
            break;
        std::string line(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> w = words(line);
        if (w.empty() || w[0] == "comment" || w[0] == "obj_info")
            continue;
        const auto type = [](const std::string& name) { return typeNames().count(name) > 0; };
        if (w[0] == "end_header") {
            if (!formatSeen) {
                why = "has no format line";
                return false;
            }
            const bool binary = header.format != Format::Ascii;
            for (const Element& e : header.elements)
                minimumBytes += double(e.count) * double(e.properties.size()) * (binary ? 1 : 2);
            if (minimumBytes > double(bytes.size() - pos)) {
                why = "announces more elements than the file holds";
                return false;
            }
            header.dataStart = pos;
            return true;
        }
        if (w[0] == "format" && w.size() == 3) {
            formatSeen = true;
            const bool version = std::all_of(w[2].begin(), w[2].end(),
                [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
            if (w[1] == "ascii")
                header.format = Format::Ascii;
            else if (w[1] == "binary_little_endian")
                header.format = Format::Little;
            else if (w[1] == "binary_big_endian")
                header.format = Format::Big;
            if (!version
                || (w[1] != "ascii" && w[1] != "binary_little_endian"
                    && w[1] != "binary_big_endian")) {
                why = "has an unknown format";
                return false;
            }
        } else if (w[0] == "element" && w.size() == 3
            && std::all_of(w[1].begin(), w[1].end(),
                [](char c) { return std::isalnum((unsigned char)c) || c == '_'; })) {
            const std::string& digits = w[2];
            const bool allDigits = !digits.empty() && digits.size() <= 10
                && std::all_of(
                    digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
            const std::uint64_t count = allDigits ? std::stoull(digits) : 0;
            if (!allDigits || count > 2147483647u) {
                why = "has an element count that is not a count";
                return false;
            }
            header.elements.push_back({ w[1], count, {}, w[1] == "vertex", w[1] == "face" });
        } else if (w[0] == "property" && !header.elements.empty()
            && ((w.size() == 3 && type(w[1]))
                || (w.size() == 5 && w[1] == "list" && type(w[2]) && type(w[3])
                    && !isFloat(typeNames().at(w[2]))))) {
            Element& e = header.elements.back();
            Property p;
            p.list = w.size() == 5;
            p.type = typeNames().at(p.list ? w[3] : w[1]);
            if (p.list)
                p.countType = typeNames().at(w[2]);
            p.role = roleOf(e.name, w.back(), p.list);
            e.properties.push_back(p);
        } else {
            why = "has a header line no PLY reader knows: " + line.substr(0, 40);
            return false;
        }
    }
    why = "has no end to its header";
    return false;
}

// The values of the data part one after another, whatever its format.
class Values
{
public:
    Values(std::string_view bytes, std::size_t start, Format format)
        : p_(bytes.data() + start)
        , begin_(bytes.data())
        , end_(bytes.data() + bytes.size())
        , format_(format)
    { }

    // The next value of type; false at the end of the data or, in text, at a
    // word that is no number (bad then says so).
    bool next(PlyType type, double& value)
    {
        return format_ == Format::Ascii ? nextWord(type, value) : nextBinary(type, value);
    }
    bool bad() const { return bad_; }
    // Only blanks left.
    bool atEnd()
    {
        while (p_ < end_ && (unsigned char)*p_ <= ' ')
            ++p_;
        return p_ == end_;
    }
    std::size_t position() const { return std::size_t(p_ - begin_); }
    std::size_t size() const { return std::size_t(end_ - begin_); }
    // Room for n more values of at least one byte (binary) or two (text).
    bool room(double n) const
    {
        return n * (format_ == Format::Ascii ? 2 : 1) <= double(end_ - p_);
    }

private:
    bool nextWord(PlyType type, double& value)
    {
        while (p_ < end_ && (unsigned char)*p_ <= ' ')
            ++p_;
        if (p_ == end_)
            return false;
        const char* wordEnd = p_;
        while (wordEnd < end_ && (unsigned char)*wordEnd > ' ')
            ++wordEnd;
        std::from_chars_result r {};
        if (type == PlyType::Float32) {
            // Read as float directly: going through double could round twice.
            float f = 0.0f;
            r = std::from_chars(p_, wordEnd, f);
            value = f;
        } else {
            r = std::from_chars(p_, wordEnd, value);
        }
        if (r.ec == std::errc::result_out_of_range) {
            // Past the type's range: an infinity (replaced by 0 with the values
            // that are no numbers) or zero.
            value = outOfRangeValue(std::string_view(p_, std::size_t(wordEnd - p_)));
        } else if (r.ec != std::errc() || r.ptr != wordEnd) {
            bad_ = true;
            return false;
        }
        p_ = wordEnd;
        return true;
    }

    bool nextBinary(PlyType type, double& value)
    {
        const std::size_t n = sizeOf(type);
        if (std::size_t(end_ - p_) < n)
            return false;
        unsigned char b[8];
        std::memcpy(b, p_, n);
        p_ += n;
        if ((format_ == Format::Big) == (std::endian::native == std::endian::little))
            std::reverse(b, b + n);
        switch (type) {
        case PlyType::Int8:
            value = double(std::int8_t(b[0]));
            break;
        case PlyType::UInt8:
            value = double(b[0]);
            break;
        case PlyType::Int16:
            value = double(load<std::int16_t>(b));
            break;
        case PlyType::UInt16:
            value = double(load<std::uint16_t>(b));
            break;
        case PlyType::Int32:
            value = double(load<std::int32_t>(b));
            break;
        case PlyType::UInt32:
            value = double(load<std::uint32_t>(b));
            break;
        case PlyType::Float32:
            value = double(load<float>(b));
            break;
        case PlyType::Float64:
            value = load<double>(b);
            break;
        }
        return true;
    }

    template <class T> static T load(const unsigned char* b)
    {
        T v;
        std::memcpy(&v, b, sizeof v);
        return v;
    }

    const char* p_;
    const char* begin_;
    const char* end_;
    Format format_;
    bool bad_ = false;
};

// Where the values of the elements go: the vertex element's positions and
// colours, the face element's corners (checked against the vertex count the
// header gives).
struct ElementSink
{
    FlatMesh& flat;
    long long vertices = 0;
    bool colours = false;
    std::vector<long long> corners;
    // Only triangles are taken: a corner list of any other length fails the
    // element (for reading records whose places are worked out beforehand).
    bool trianglesOnly = false;
};

// Reads one instance of e from in: false when the values end first or one is
// no number (in.bad() then says so).
bool readElement(const Element& e, Values& in, ElementSink& out)
{
    float xyz[3] = { 0.0f, 0.0f, 0.0f };
    float rgb[3] = { 0.0f, 0.0f, 0.0f };
    for (const Property& p : e.properties) {
        double value = 0.0;
        if (!p.list) {
            if (!in.next(p.type, value))
                return false;
            const int r = int(p.role);
            if (r >= int(Role::X) && r <= int(Role::Z))
                xyz[r - int(Role::X)] = float(value);
            else if (r >= int(Role::Red) && r <= int(Role::Blue))
                rgb[r - int(Role::Red)] = isFloat(p.type) ? float(value) : float(value / 255.0);
            continue;
        }
        double count = 0.0;
        if (!in.next(p.countType, count) || !(count >= 0.0) || !in.room(count)
            || (out.trianglesOnly && count != 3.0))
            return false;
        out.corners.clear();
        for (std::size_t k = 0; k < std::size_t(count); ++k) {
            if (!in.next(p.type, value))
                return false;
            if (p.role == Role::Corners)
                out.corners.push_back(value >= 0.0 && value < 9.2e18 ? (long long)value : -1);
        }
        if (e.isFace && p.role == Role::Corners)
            out.flat.addFace(out.corners.data(), out.corners.size(), out.vertices);
    }
    if (e.isVertex) {
        out.flat.positions.insert(out.flat.positions.end(), xyz, xyz + 3);
        if (out.colours)
            out.flat.colours.emplace_back(rgb[0], rgb[1], rgb[2], 1.0f);
    }
    return true;
}

// Text data written one element to a line (as nearly every writer does) is
// read in parts on every core: a line's number tells its element, and each
// line must hold exactly that element's values. The parts are joined in file
// order, which gives what one pass gives. Returns false, flat untouched, when
// some line does not hold exactly one element or the lines end before the
// elements do: one pass then reads the file and says what is wrong with it.
bool parseTextInParts(
    std::string_view bytes, const Header& header, ElementSink& sink, Progress* progress)
{
    const std::string_view text = bytes.substr(header.dataStart);
    const unsigned workers = workerCount(double(text.size()));
    const std::vector<std::size_t> starts = linescan::lineParts(text, workers);

    // The elements that take values, and the line after each one's last.
    std::vector<const Element*> elements;
    std::vector<std::uint64_t> ends;
    for (const Element& e : header.elements) {
        if (!e.properties.empty() && e.count > 0) {
            elements.push_back(&e);
            ends.push_back((ends.empty() ? 0 : ends.back()) + e.count);
        }
    }
    if (elements.empty())
        return false;

    std::vector<FlatMesh> out(starts.size() - 1);
    std::vector<ElementSink> to;
    for (FlatMesh& part : out)
        to.push_back({ part, sink.vertices, sink.colours, {} });
    const bool whole = readNumberedLines(text, starts, workers, ends.back(), progress,
        [&](std::size_t i, std::uint64_t number, std::string_view line) {
            const std::size_t k
                = std::size_t(std::upper_bound(ends.begin(), ends.end(), number) - ends.begin());
            Values in(line, 0, Format::Ascii);
            return readElement(*elements[k], in, to[i]) && in.atEnd();
        });
    if (!whole)
        return false;
    for (FlatMesh& part : out)
        sink.flat.append(part);
    return true;
}

// The two record layouts nearly every writer gives, in this machine's byte
// order, read straight from the bytes: vertices whose values are all floats,
// none of them a colour, and triangles of a one-byte count and 32-bit corners.
// They give what readElement() gives. False when e is not one of them; a face
// of other than three corners makes whole false.
bool readPlainRecords(const Element& e, std::string_view part, std::uint64_t records, Format format,
    ElementSink& to, bool& whole)
{
    if (format != (std::endian::native == std::endian::little ? Format::Little : Format::Big))
        return false;
    const auto& ps = e.properties;
    const char* at = part.data();
    if (e.isVertex && !to.colours) {
        std::size_t offset[3] = { 0, 0, 0 };
        for (std::size_t i = 0; i < ps.size(); ++i) {
            if (ps[i].list || ps[i].type != PlyType::Float32)
                return false;
            if (ps[i].role >= Role::X && ps[i].role <= Role::Z)
                offset[int(ps[i].role) - int(Role::X)] = 4 * i + 1;
        }
        const std::size_t stride = 4 * ps.size();
        LargeVector<float>& positions = to.flat.positions;
        std::size_t n = positions.size();
        positions.resize(n + 3 * records);
        for (std::uint64_t r = 0; r < records; ++r, at += stride) {
            // A coordinate the element lacks is 0.
            for (int k = 0; k < 3; ++k) {
                float value = 0.0f;
                if (offset[k] != 0)
                    std::memcpy(&value, at + offset[k] - 1, 4);
                positions[n++] = value;
            }
        }
        return true;
    }
    const bool corners32 = ps.size() == 1 && ps[0].list && ps[0].role == Role::Corners
        && sizeOf(ps[0].countType) == 1
        && (ps[0].type == PlyType::Int32 || ps[0].type == PlyType::UInt32);
    if (!e.isFace || !corners32)
        return false;
    to.flat.triangles.reserve(to.flat.triangles.size() + 3 * records);
    for (std::uint64_t r = 0; r < records; ++r, at += 13) {
        if (*at != 3) {
            whole = false;
            return true;
        }
        // A corner with its top bit set is out of range, signed or not.
        std::int32_t corners[3];
        std::memcpy(corners, at + 1, 12);
        to.flat.addFace(corners, 3, to.vertices);
    }
    return true;
}

// Binary data is read in parts on every core when every element's records
// have one size: elements of values without lists, and face elements whose one
// property is a list of corners, each of three (as nearly every writer
// gives). A record's number then tells where it lies. The parts are joined in
// file order, which gives what one pass gives. Returns false, flat untouched,
// for any other layout, a face that is not a triangle, or data that ends
// before the elements do: one pass then reads the file and says what is wrong
// with it.
bool parseBinaryInParts(
    std::string_view bytes, const Header& header, ElementSink& sink, Progress* progress)
{
    const std::string_view data = bytes.substr(header.dataStart);
    const unsigned workers = workerCount(double(data.size()));
    const std::size_t partBytes = partBytesFor(data.size(), workers);
    // The parts: where each starts in data, its element and its records.
    std::vector<std::size_t> starts { 0 };
    std::vector<const Element*> partElement;
    std::vector<std::uint64_t> partRecords;
    for (const Element& e : header.elements) {
        std::uint64_t size = 0;
        for (const Property& p : e.properties) {
            if (!p.list)
                size += sizeOf(p.type);
            else if (e.isFace && p.role == Role::Corners && e.properties.size() == 1)
                size += sizeOf(p.countType) + 3 * sizeOf(p.type);
            else
                return false;
        }
        if (size == 0 || e.count == 0)
            continue;
        if (e.count > (data.size() - starts.back()) / size)
            return false;
        const std::uint64_t perPart = std::max<std::uint64_t>(1, partBytes / size);
        for (std::uint64_t first = 0; first < e.count; first += perPart) {
            const std::uint64_t records = std::min(perPart, e.count - first);
            partElement.push_back(&e);
            partRecords.push_back(records);
            starts.push_back(starts.back() + records * size);
        }
    }
    if (partElement.empty())
        return false;

    std::vector<FlatMesh> out(partElement.size());
    std::atomic<bool> whole { true };
    readLineParts(data, starts, workers, progress, [&](std::size_t i, std::string_view part) {
        ElementSink to { out[i], sink.vertices, sink.colours, {}, true };
        bool ok = true;
        if (readPlainRecords(*partElement[i], part, partRecords[i], header.format, to, ok)) {
            if (!ok)
                whole = false;
            return bool(whole);
        }
        Values in(part, 0, header.format);
        for (std::uint64_t r = 0; r < partRecords[i]; ++r) {
            if (!readElement(*partElement[i], in, to)) {
                whole = false;
                break;
            }
        }
        return bool(whole);
    });
    if (!whole)
        return false;
    for (FlatMesh& part : out)
        sink.flat.append(part);
    return true;
}

} // namespace

bool parsePly(std::string_view bytes, FlatMesh& flat, std::string& reason, Progress* progress)
{
    Header header;
    if (!parseHeader(bytes, header, reason))
        return false;
    ElementSink sink { flat, 0, false, {} };
    for (const Element& e : header.elements) {
        if (!e.isVertex)
            continue;
        sink.vertices = (long long)e.count;
        int axes = 0;
        for (const Property& p : e.properties) {
            axes |= p.role == Role::X ? 1 : p.role == Role::Y ? 2 : p.role == Role::Z ? 4 : 0;
            sink.colours = sink.colours || p.role == Role::Red || p.role == Role::Green
                || p.role == Role::Blue;
        }
        if (axes != 7) {
            reason = "has vertices without x, y and z";
            return false;
        }
    }
    long long faceless = 0; // faces of an element without a corner list
    for (const Element& e : header.elements) {
        if (e.isFace
            && std::none_of(e.properties.begin(), e.properties.end(),
                [](const Property& p) { return p.role == Role::Corners; }))
            faceless += (long long)e.count;
    }

    const bool read = readInParts(bytes.size() - header.dataStart)
        && (header.format == Format::Ascii ? parseTextInParts(bytes, header, sink, progress)
                                           : parseBinaryInParts(bytes, header, sink, progress));
    if (!read) {
        // The counts fit the file (checked with the header): room is only a hint.
        flat.positions.reserve(3 * std::size_t(sink.vertices));
        if (sink.colours)
            flat.colours.reserve(std::size_t(sink.vertices));
        Values in(bytes, header.dataStart, header.format);
        for (const Element& e : header.elements) {
            if (e.properties.empty())
                continue; // nothing to read, however many it announces
            for (std::uint64_t i = 0; i < e.count; ++i) {
                if ((i & 4095) == 0)
                    reportProgress(progress, "Parsing", double(in.position()) / double(in.size()));
                if (!readElement(e, in, sink)) {
                    reason = in.bad() ? "has a value that is not a number" : "is cut short";
                    return false;
                }
            }
        }
    }
    flat.tooFewCorners += faceless;
    return true;
}
