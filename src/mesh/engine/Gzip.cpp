#include "mesh/engine/Gzip.h"

#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Progress.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>

bool hasGzipSuffix(const std::string& name)
{
    if (name.size() < 3)
        return false;
    const std::string tail = name.substr(name.size() - 3);
    return tail[0] == '.' && std::tolower((unsigned char)tail[1]) == 'g'
        && std::tolower((unsigned char)tail[2]) == 'z';
}

std::string withoutGzipSuffix(const std::string& name)
{
    return hasGzipSuffix(name) ? name.substr(0, name.size() - 3) : name;
}

namespace {

bool looksGzipped(std::string_view compressed)
{
    return compressed.size() >= 18 && (unsigned char)compressed[0] == 0x1f
        && (unsigned char)compressed[1] == 0x8b;
}

// The most room a stream can need, at zlib's best ratio.
std::size_t roomCap(std::string_view compressed)
{
    return compressed.size() * 1032;
}

// ISA-L inflates several times faster than zlib's stream. The output starts at
// first bytes and grows as a member needs more, up to cap; ready, when given,
// is told after each piece how much of it is final. False, with out undefined,
// for anything it does not take: zlib then inflates the file and says why.
bool inflateFast(std::string_view compressed, std::size_t first, std::size_t cap, LargeText& out,
    Progress* progress, std::size_t piece = std::size_t(1) << 24,
    const std::function<void(std::size_t)>* ready = nullptr)
{
    const auto state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    state->crc_flag = ISAL_GZIP;
    const auto* in = reinterpret_cast<const std::uint8_t*>(compressed.data());
    resizeLarge(out, first);
    // at: input read; used: output made; member: where the member's output began.
    std::size_t at = 0, used = 0, member = 0;
    for (;;) {
        if (used == out.size()) {
            if (out.size() >= cap)
                return false;
            out.resize(std::min(out.size() * 2 + 1, cap));
        }
        reportProgress(progress, "Inflating", double(at) / double(compressed.size()));
        // Pieces of output between reports, so that a stop is heard; both
        // counts are 32 bits wide.
        state->next_in = const_cast<std::uint8_t*>(in + at);
        state->avail_in = std::uint32_t(std::min<std::size_t>(compressed.size() - at, 1u << 30));
        state->next_out = reinterpret_cast<std::uint8_t*>(out.data() + used);
        state->avail_out = std::uint32_t(std::min(out.size() - used, piece));
        const std::uint32_t inBefore = state->avail_in, outBefore = state->avail_out;
        if (isal_inflate(state.get()) != ISAL_DECOMP_OK)
            return false;
        at += inBefore - state->avail_in;
        used += outBefore - state->avail_out;
        if (ready)
            (*ready)(used);
        if (state->block_state == ISAL_BLOCK_FINISH) {
            // The checksum is checked; the trailer's size (modulo 2^32) is
            // checked here, as zlib does.
            std::uint32_t size = 0;
            for (int k = 0; k < 4; ++k)
                size |= std::uint32_t(in[at - 4 + std::size_t(k)]) << (8 * k);
            if (size != std::uint32_t(used - member))
                return false;
            // Another member may follow (concatenated gzip files).
            if (at == compressed.size())
                break;
            isal_inflate_reset(state.get());
            state->crc_flag = ISAL_GZIP;
            member = used;
        } else if ((at == compressed.size() && state->avail_out != 0)
            || (state->avail_in == inBefore && state->avail_out == outBefore)) {
            return false; // the input ended inside a member, or nothing moved
        }
    }
    out.resize(used);
    return true;
}

} // namespace

std::size_t gunzipRoom(std::string_view compressed)
{
    if (!looksGzipped(compressed))
        return 0;
    // The trailer holds the size modulo 2^32: a hint for the first allocation,
    // capped so that a lying trailer cannot ask for more than zlib's best ratio.
    std::uint32_t hinted = 0;
    for (int k = 0; k < 4; ++k)
        hinted |= std::uint32_t((unsigned char)compressed[compressed.size() - 4 + std::size_t(k)])
            << (8 * k);
    return std::min<std::size_t>(std::max<std::size_t>(hinted, 1 << 16), roomCap(compressed));
}

bool gunzipInPlace(std::string_view compressed, LargeText& out, std::size_t piece,
    const std::function<void(std::size_t)>& ready, Progress* progress)
{
    const std::size_t room = gunzipRoom(compressed);
    return room > 0
        && inflateFast(
            compressed, room, room, out, progress, std::max<std::size_t>(piece, 1), &ready);
}

bool gunzip(std::string_view compressed, LargeText& out, std::string& reason, Progress* progress)
{
    out.clear();
    if (!looksGzipped(compressed)) {
        reason = "is not gzip-compressed";
        return false;
    }
    const std::size_t cap = roomCap(compressed);
    const std::size_t first = gunzipRoom(compressed);
    try {
        if (inflateFast(compressed, first, cap, out, progress))
            return true;
    } catch (const std::bad_alloc&) {
        // zlib tries with its own, growing buffer and says so if it fails too.
    }
    LargeText().swap(out);

    z_stream z {};
    if (inflateInit2(&z, 15 + 16) != Z_OK) {
        reason = "could not be inflated";
        return false;
    }
    // Ends the stream however the loop is left, a stop included.
    struct End
    {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end { z };
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = uInt(compressed.size()); // files over 4 GB are not meshes we read
    int status = Z_OK;
    try {
        resizeLarge(out, first);
        std::size_t used = 0;
        for (;;) {
            if (used == out.size())
                out.resize(std::min(out.size() * 2, std::max(cap, out.size() + 1)));
            z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            // Slices of output between reports, so that a stop is heard.
            z.avail_out = uInt(std::min<std::size_t>(out.size() - used, 1u << 24));
            reportProgress(progress, "Inflating",
                double(compressed.size() - z.avail_in) / double(compressed.size()));
            const uInt before = z.avail_out;
            status = inflate(&z, Z_NO_FLUSH);
            used += before - z.avail_out;
            if (status == Z_STREAM_END) {
                // Another member may follow (concatenated gzip files).
                if (z.avail_in == 0)
                    break;
                if (inflateReset(&z) != Z_OK) {
                    status = Z_DATA_ERROR;
                    break;
                }
                continue;
            }
            if (status != Z_OK && !(status == Z_BUF_ERROR && z.avail_out == 0))
                break;
            if (z.avail_in == 0 && z.avail_out != 0) {
                status = Z_BUF_ERROR; // the input ended inside a member
                break;
            }
        }
        out.resize(used);
    } catch (const std::bad_alloc&) {
        status = Z_MEM_ERROR;
    }
    if (status == Z_STREAM_END)
        return true;
    reason = status == Z_MEM_ERROR ? "is too large to inflate in memory"
        : status == Z_BUF_ERROR    ? "is cut short"
                                   : "is damaged";
    LargeText().swap(out);
    return false;
}

bool gzip(
    const char* data, std::size_t size, std::string& out, std::string& reason, Progress* progress)
{
    out.clear();
    z_stream z {};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY)
        != Z_OK) {
        reason = "not enough memory to compress";
        return false;
    }
    // Ends the stream however the loop is left, a stop included.
    struct End
    {
        z_stream& z;
        ~End() { deflateEnd(&z); }
    } end { z };
    // Slices of input between reports, so that a stop is heard; text meshes
    // usually pack to a fifth or less, which is where the output starts.
    constexpr std::size_t slice = std::size_t(1) << 22;
    int status = Z_OK;
    try {
        out.resize(std::max<std::size_t>(size / 4, 1 << 16));
        std::size_t used = 0;
        std::size_t at = 0;
        do {
            reportProgress(progress, "Compressing", size > 0 ? double(at) / double(size) : 1.0);
            const std::size_t n = std::min(slice, size - at);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data + at));
            z.avail_in = uInt(n);
            at += n;
            const int flush = at == size ? Z_FINISH : Z_NO_FLUSH;
            for (;;) {
                if (used == out.size())
                    out.resize(out.size() * 2);
                z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
                z.avail_out = uInt(std::min<std::size_t>(out.size() - used, 1u << 30));
                const uInt before = z.avail_out;
                status = deflate(&z, flush);
                used += before - z.avail_out;
                if (status == Z_STREAM_ERROR)
                    break;
                if (flush == Z_FINISH ? status == Z_STREAM_END
                                      : z.avail_in == 0 && z.avail_out != 0)
                    break;
            }
        } while (status != Z_STREAM_ERROR && at < size);
        out.resize(used);
    } catch (const std::bad_alloc&) {
        status = Z_MEM_ERROR;
    }
    if (status == Z_STREAM_END)
        return true;
    reason = status == Z_MEM_ERROR ? "not enough memory to compress" : "could not be compressed";
    std::string().swap(out);
    return false;
}
