#include <gtest/gtest.h>

#include <limits>

#include "payload/inflate.h"
#include "payload_builder.h"

namespace tarven {
namespace {

using test::entry_of;
using test::zlib_stream;

std::string sample(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>("tarven"[(i / 512) % 6]);
    return out;
}

// Gathers the pieces, checking that none is larger than the room lent for it.
class Gather final : public PieceSink {
public:
    explicit Gather(std::size_t piece) : room_(piece, '\0') {}
    std::span<char> room() override { return room_; }
    bool filled(std::size_t size) override {
        EXPECT_LE(size, room_.size());
        content.append(room_.data(), size);
        return true;
    }
    std::string content;

private:
    std::string room_;
};

Result<std::string> inflate_in_pieces(const PayloadEntry& entry, std::size_t piece = 1 << 16) {
    Gather gather(piece);
    const Result<Inflated> inflated = inflate_entry(entry, gather);
    if (!inflated) return fail(inflated.error());
    EXPECT_EQ(inflated.value().size, gather.content.size());
    return gather.content;
}

std::string error_of(std::string_view stream, std::uint64_t unpacked) {
    const Result<std::string> result = inflate_in_pieces(entry_of(stream, unpacked));
    EXPECT_FALSE(result.ok());
    return result.ok() ? std::string() : result.error();
}

TEST(Inflate, RestoresTheContentWhateverThePieceSize) {
    for (const std::size_t size :
         {std::size_t{1}, std::size_t{1000}, std::size_t{1} << 20, (std::size_t{1} << 20) + 3}) {
        const std::string content = sample(size);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{1000}, std::size_t{1} << 16, size}) {
            const Result<std::string> result = inflate_in_pieces(entry_of(zlib_stream(content), content.size()), piece);
            ASSERT_TRUE(result.ok()) << result.error();
            EXPECT_EQ(result.value(), content) << size << " in pieces of " << piece;
        }
    }
}

TEST(Inflate, AnyCompressionLevelIsAccepted) {
    const std::string content = sample(70000);
    for (const int level : {0, 1, 6, 9}) {
        const Result<std::string> result = inflate_in_pieces(entry_of(zlib_stream(content, level), content.size()));
        ASSERT_TRUE(result.ok()) << level << ": " << result.error();
        EXPECT_EQ(result.value(), content);
    }
}

TEST(Inflate, OutputIsBoundedByTheUnpackedSize) {
    const std::string content = sample(100000);
    const std::string stream = zlib_stream(content);
    EXPECT_EQ(error_of(stream, content.size() - 1), "stream would produce more than 99999 bytes");
    EXPECT_EQ(error_of(zlib_stream("x"), 0), "stream would produce more than 0 bytes");

    // A larger unpacked size is not the inflater's concern: it gives what the stream holds.
    for (const std::uint64_t unpacked :
         {std::uint64_t{content.size() + 1}, std::numeric_limits<std::uint64_t>::max()}) {
        const Result<std::string> result = inflate_in_pieces(entry_of(stream, unpacked));
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result.value().size(), content.size());
    }
}

TEST(Inflate, EmptyStreamOfNoDataIsAnEmptyFile) {
    const Result<std::string> result = inflate_in_pieces(entry_of(zlib_stream(""), 0));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(result.value().empty());
}

TEST(Inflate, BytesAfterTheStreamsEndAreIgnored) {
    const std::string content = sample(5000);
    const std::string stream = zlib_stream(content) + "trailing garbage";
    const Result<std::string> result = inflate_in_pieces(entry_of(stream, content.size()));
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value(), content);
}

TEST(Inflate, CutStreamsEndEarly) {
    const std::string content = sample(5000);
    const std::string stream = zlib_stream(content);
    EXPECT_EQ(error_of("", content.size()), "stream is empty");
    EXPECT_EQ(error_of(stream.substr(0, 1), content.size()), "stream ends early");
    EXPECT_EQ(error_of(stream.substr(0, stream.size() / 2), content.size()), "stream ends early");
    // All output is there and the room is used up; only the trailer is missing.
    EXPECT_EQ(error_of(stream.substr(0, stream.size() - 4), content.size()), "stream ends early");
    EXPECT_EQ(error_of(stream.substr(0, stream.size() - 1), content.size()), "stream ends early");
}

TEST(Inflate, WrongTrailerIsAChecksumMismatch) {
    const std::string content = sample(5000);
    std::string stream = zlib_stream(content);
    stream.back() = static_cast<char>(stream.back() ^ 1);
    EXPECT_EQ(error_of(stream, content.size()), "adler-32 checksum mismatch");
}

TEST(Inflate, InvalidDataGivesZlibsDescription) {
    const std::string stream = zlib_stream("hello hello hello");
    std::string bad_header = stream;
    bad_header[1] = static_cast<char>(bad_header[1] ^ 1);
    EXPECT_EQ(error_of(bad_header, 17), "incorrect header check");

    // A stored block whose length and its complement disagree.
    EXPECT_EQ(error_of(std::string("\x78\x01\x01\x05\x00\x00\x00", 7), 5), "invalid stored block lengths");
    // A block type that does not exist.
    EXPECT_EQ(error_of(std::string("\x78\x01\x07\x00", 4), 5), "invalid block type");
    // A raw deflate stream without its zlib header.
    EXPECT_EQ(error_of(stream.substr(2), 17), "incorrect header check");
}

TEST(Inflate, PresetDictionaryIsRefused) {
    z_stream z{};
    ASSERT_EQ(deflateInit(&z, 9), Z_OK);
    const std::string dictionary = "dictionary words";
    ASSERT_EQ(deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                                   static_cast<uInt>(dictionary.size())),
              Z_OK);
    std::string input = "dictionary words again";
    std::string out(256, '\0');
    z.next_in = reinterpret_cast<Bytef*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    EXPECT_EQ(error_of(out, input.size()), "stream needs a preset dictionary");
}

}  // namespace
}  // namespace tarven
