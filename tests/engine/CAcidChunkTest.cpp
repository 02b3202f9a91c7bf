#include "engine/CAcidChunk.h"
#include "engine/CWaveChunks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

void PutLE(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string AcidBody(uint32_t flags, uint16_t root, uint32_t beats, float tempo) {
    std::string body;
    PutLE(body, flags, 4);
    PutLE(body, root, 2);
    PutLE(body, 0x8000, 2);
    PutLE(body, 0, 4);
    PutLE(body, beats, 4);
    PutLE(body, 4, 2);
    PutLE(body, 4, 2);
    uint32_t bits = 0;
    std::memcpy(&bits, &tempo, 4);
    PutLE(body, bits, 4);
    return body;
}

std::string Chunk(const char* code, const std::string& body, uint32_t declared) {
    std::string chunk(code, 4);
    PutLE(chunk, declared, 4);
    chunk += body;
    if (body.size() % 2 != 0)
        chunk.push_back('\0');
    return chunk;
}

std::string Chunk(const char* code, const std::string& body) {
    return Chunk(code, body, static_cast<uint32_t>(body.size()));
}

std::string Wave(const std::string& chunks) {
    std::string file = "RIFF";
    PutLE(file, chunks.size() + 4, 4);
    return file + "WAVE" + chunks;
}

std::optional<CAcidChunk> Parse(const std::string& body) {
    return CAcidChunk::FromBody(reinterpret_cast<const uint8_t*>(body.data()), body.size());
}

bool List(CWaveChunks& chunks, const std::string& bytes) {
    return chunks.ParseBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(CAcidChunk, ReadsTempoRootNoteAndBeats) {
    const auto acid = Parse(AcidBody(CAcidChunk::kRootNoteSet, 60, 8, 120.0f));
    ASSERT_TRUE(acid);
    EXPECT_DOUBLE_EQ(acid->Tempo(), 120.0);
    EXPECT_EQ(acid->RootNote(), 60);
    EXPECT_EQ(acid->Beats(), 8);
    EXPECT_DOUBLE_EQ(acid->BeatLengthMs(), 500.0);
    EXPECT_FALSE(acid->OneShot());
}

TEST(CAcidChunk, TreatsUnusableValuesAsAbsent) {
    EXPECT_EQ(Parse(AcidBody(0, 60, 8, 120.0f))->RootNote(), 0) << "root note flag not set";
    EXPECT_EQ(Parse(AcidBody(CAcidChunk::kRootNoteSet, 300, 8, 120.0f))->RootNote(), 0);
    EXPECT_EQ(Parse(AcidBody(0, 0, 8, std::nanf("")))->Tempo(), 0.0);
    EXPECT_EQ(Parse(AcidBody(0, 0, 8, 1e30f))->Tempo(), 0.0);
    EXPECT_EQ(Parse(AcidBody(0, 0, 8, -120.0f))->Tempo(), 0.0);
    EXPECT_EQ(Parse(AcidBody(0, 0, 8, -120.0f))->BeatLengthMs(), 0.0);
    EXPECT_EQ(Parse(AcidBody(0, 0, 0xFFFFFFFFu, 120.0f))->Beats(), 0);

    const auto oneShot =
        Parse(AcidBody(CAcidChunk::kOneShot | CAcidChunk::kRootNoteSet, 62, 8, 90.0f));
    EXPECT_TRUE(oneShot->OneShot());
    EXPECT_EQ(oneShot->Tempo(), 0.0);
    EXPECT_EQ(oneShot->Beats(), 0);
    EXPECT_EQ(oneShot->RootNote(), 62);
}

TEST(CAcidChunk, RefusesAShortBody) {
    const std::string body = AcidBody(0, 0, 8, 120.0f);
    EXPECT_FALSE(Parse(body.substr(0, 23)));
    EXPECT_FALSE(CAcidChunk::FromBody(nullptr, 24));
}

TEST(CAcidChunk, IsFoundInAWaveAfterAnOddSizedChunk) {
    const std::string bytes = Wave(Chunk("fmt ", std::string(16, '\0')) + Chunk("odd ", "abc") +
                                   Chunk("data", std::string(8, '\0')) +
                                   Chunk("acid", AcidBody(CAcidChunk::kRootNoteSet, 57, 4, 95.5f)));
    CWaveChunks chunks;
    ASSERT_TRUE(List(chunks, bytes));
    ASSERT_EQ(chunks.Chunks().size(), 4u);
    EXPECT_FALSE(chunks.DataTruncated());
    const auto acid = CAcidChunk::FromWave(chunks);
    ASSERT_TRUE(acid);
    EXPECT_DOUBLE_EQ(acid->Tempo(), 95.5);
    EXPECT_EQ(acid->RootNote(), 57);
}

TEST(CAcidChunk, ACutOffChunkReadsAsAbsent) {
    const std::string whole = Wave(Chunk("acid", AcidBody(0, 0, 4, 100.0f)));
    CWaveChunks chunks;
    const std::string cut = whole.substr(0, whole.size() - 5);
    ASSERT_TRUE(List(chunks, cut));
    ASSERT_EQ(chunks.Chunks().size(), 1u);
    EXPECT_EQ(chunks.Chunks()[0].presentSize, 19u);
    EXPECT_FALSE(CAcidChunk::FromWave(chunks));
}

TEST(CWaveChunks, RecognisesOnlyRiffWave) {
    CWaveChunks chunks;
    EXPECT_FALSE(List(chunks, ""));
    EXPECT_FALSE(List(chunks, "RIFF"));
    EXPECT_FALSE(List(chunks, "RIFF\x04\0\0\0AVI "));
    EXPECT_FALSE(List(chunks, "ID3\x03 not a wave file at all"));
    EXPECT_FALSE(chunks.ReadFile("/nonexistent/file.wav"));
    EXPECT_TRUE(List(chunks, Wave("")));
    EXPECT_TRUE(chunks.Chunks().empty());
    EXPECT_EQ(chunks.Find("data"), nullptr);
}

TEST(CWaveChunks, ReportsADataChunkLongerThanTheFile) {
    CWaveChunks chunks;
    ASSERT_TRUE(List(chunks, Wave(Chunk("fmt ", std::string(16, '\0')) +
                                  Chunk("data", std::string(100, '\0'), 1000))));
    EXPECT_TRUE(chunks.DataTruncated());
    EXPECT_EQ(chunks.Find("data")->declaredSize, 1000u);
    EXPECT_EQ(chunks.Find("data")->presentSize, 100u);

    ASSERT_TRUE(List(chunks, Wave(Chunk("data", std::string(8, '\0'), 0xFFFFFFFFu))));
    EXPECT_TRUE(chunks.DataTruncated());
    EXPECT_EQ(chunks.Body(*chunks.Find("data"), 1 << 20).size(), 8u);
}

TEST(CWaveChunks, StopsAtAPartialHeaderAndAtTheChunkLimit) {
    CWaveChunks chunks;
    ASSERT_TRUE(List(chunks, Wave(Chunk("data", std::string(4, '\0')) + "LIS")));
    EXPECT_EQ(chunks.Chunks().size(), 1u);

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += Chunk("junk", "");
    ASSERT_TRUE(List(chunks, Wave(many)));
    EXPECT_EQ(chunks.Chunks().size(), 4096u);
}

} // namespace
