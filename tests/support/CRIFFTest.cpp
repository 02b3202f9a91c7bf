#include "support/CRIFF.h"
#include "support/CFileObj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A chunk tree as written and as read back: a data chunk has a body, a LIST a
// type and children.
struct Node {
    FourCC id = 0;
    FourCC listType = 0;
    Bytes body;
    std::vector<Node> children;
    bool operator==(const Node&) const = default;
};

Node Data(const char (&id)[5], Bytes body) {
    return Node{MakeFourCC(id), 0, std::move(body), {}};
}

Node List(const char (&type)[5], std::vector<Node> children) {
    return Node{FOURCC_LIST, MakeFourCC(type), {}, std::move(children)};
}

Bytes Counting(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return bytes;
}

// Reference-counted objects live on the heap; these hold the creator's reference.
struct Releaser {
    void operator()(CRefObj* object) const { object->DeleteRefObject(); }
};
using FilePtr = std::unique_ptr<CFileObj, Releaser>;
using RiffPtr = std::unique_ptr<CRIFF, Releaser>;

std::string TempPath(const std::string& name) {
    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/riff-" + name;
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool WriteNodes(CRIFF& riff, const std::vector<Node>& nodes) {
    for (const Node& node : nodes) {
        if (node.id == FOURCC_LIST) {
            if (!riff.WriteListChunkHeader(node.listType) || !riff.Descend() ||
                !WriteNodes(riff, node.children) || !riff.Ascend())
                return false;
        } else if (!riff.WriteSubChunk(node.id, node.body.data(),
                                       static_cast<uint32_t>(node.body.size()))) {
            return false;
        }
    }
    return true;
}

bool WriteTree(const std::string& path, FourCC form, const std::vector<Node>& nodes) {
    FilePtr file(new CFileObj);
    RiffPtr riff(new CRIFF);
    return file->Create(path) && riff->Create(file.get(), form) && WriteNodes(*riff, nodes) &&
           riff->Close();
}

// Walks the current level and everything below it with the generic read
// operations. Also renders each chunk as riff_check.py does, and counts reads
// that came back short.
struct Walker {
    CRIFF& riff;
    std::ostringstream lines;
    int shortReads = 0;

    std::vector<Node> Level(int depth) {
        std::vector<Node> nodes;
        RIFFChunkInfo parent, chunk;
        bool more = riff.GetCurrentChunkInfo(&parent, &chunk);
        while (more) {
            Node node{chunk.chunkID, chunk.chunkType, {}, {}};
            Line(depth, chunk, parent);
            if (chunk.chunkID == FOURCC_LIST) {
                if (riff.Descend()) {
                    node.children = Level(depth + 1);
                    EXPECT_TRUE(riff.Ascend());
                }
            } else {
                node.body.resize(chunk.chunkSize);
                if (riff.ReadCurrentSubChunk(node.body.data(), chunk.chunkSize) != chunk.chunkSize)
                    ++shortReads;
            }
            nodes.push_back(std::move(node));
            more = riff.SeekToNextChunk() && riff.GetCurrentChunkInfo(&parent, &chunk);
        }
        return nodes;
    }

    // An odd body has a pad byte unless it ends its parent (the file may lack it).
    void Line(int depth, const RIFFChunkInfo& chunk, const RIFFChunkInfo& parent) {
        const int64_t bodyEnd = chunk.dataOffset + chunk.chunkSize;
        const int64_t parentEnd = parent.dataOffset + parent.chunkSize;
        const int pad = (chunk.chunkSize & 1u) != 0 && bodyEnd < parentEnd ? 1 : 0;
        lines << depth << ' ' << FourCCToText(chunk.chunkID) << ' ' << chunk.chunkSize << ' '
              << (chunk.chunkID == FOURCC_LIST ? FourCCToText(chunk.chunkType) : "-") << ' ' << pad
              << '\n';
    }
};

} // namespace

namespace {

std::vector<Node> SampleTree() {
    return {
        Data("PROJ", Counting(9)),
        Data("EfxL", {}),
        List("ClpM", {Data("CpMD", Counting(5)),
                      List("deep", {Data("a   ", Counting(1)), List("empt", {}),
                                    Data("b   ", Counting(4))}),
                      Data("Envl", Counting(3))}),
        Data("Mark", Counting(80)),
        // Ends the file with an odd body, so the last byte is a pad byte.
        List("last", {Data("odd ", Counting(7))}),
    };
}

const FourCC kForm = MakeFourCC("LTC3");

struct ReadResult {
    bool opened = false;
    RIFFChunkInfo form;
    std::vector<Node> tree;
    std::string lines;
    int shortReads = 0;
    bool cutShort = false;
};

ReadResult WalkOpenFile(CFileObj* file,
                        CRIFF::CutShortForm cutShort = CRIFF::CutShortForm::kRefuse) {
    ReadResult result;
    RiffPtr riff(new CRIFF);
    result.opened = riff->Open(file, &result.form, cutShort);
    result.cutShort = riff->WasCutShort();
    if (!result.opened)
        return result;
    Walker walker{*riff, {}, 0};
    walker.lines << "0 RIFF " << result.form.chunkSize << ' ' << FourCCToText(result.form.chunkType)
                 << " 0\n";
    result.tree = walker.Level(1);
    result.lines = walker.lines.str();
    result.shortReads = walker.shortReads;
    EXPECT_TRUE(riff->Close());
    return result;
}

ReadResult ReadTree(const std::string& path) {
    FilePtr file(new CFileObj);
    if (!file->Open(path))
        return {};
    return WalkOpenFile(file.get());
}

ReadResult ReadBytes(const Bytes& bytes,
                     CRIFF::CutShortForm cutShort = CRIFF::CutShortForm::kRefuse) {
    FilePtr file(new CFileObj);
    EXPECT_TRUE(file->OpenMemory(bytes.data(), bytes.size()));
    return WalkOpenFile(file.get(), cutShort);
}

Bytes SampleBytes() {
    const std::string path = TempPath("sample.lt4");
    EXPECT_TRUE(WriteTree(path, kForm, SampleTree()));
    return ReadWholeFile(path);
}

void PutLE32(Bytes& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<unsigned char>(value >> (8 * i));
}

// Offset of the header of the first chunk with this code (a LIST by its type).
size_t FindChunk(const Bytes& bytes, const char (&code)[5]) {
    const auto at = std::search(bytes.begin() + 12, bytes.end(), code, code + 4);
    EXPECT_NE(at, bytes.end()) << code;
    const auto offset = static_cast<size_t>(at - bytes.begin());
    const bool isListType = offset >= 8 && std::memcmp(&bytes[offset - 8], "LIST", 4) == 0;
    return isListType ? offset - 8 : offset;
}

RiffPtr OpenReader(CFileObj* file, const Bytes& bytes) {
    RiffPtr riff(new CRIFF);
    EXPECT_TRUE(file->OpenMemory(bytes.data(), bytes.size()));
    EXPECT_TRUE(riff->Open(file, nullptr));
    return riff;
}

FourCC CurrentID(const CRIFF& riff) {
    RIFFChunkInfo chunk;
    riff.GetCurrentChunkInfo(nullptr, &chunk);
    return chunk.chunkID;
}

} // namespace

TEST(CRIFFTest, NestedTreeWithOddBodiesRoundTrips) {
    const std::string path = TempPath("roundtrip.lt4");
    ASSERT_TRUE(WriteTree(path, kForm, SampleTree()));
    const ReadResult read = ReadTree(path);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.form.chunkID, FOURCC_RIFF);
    EXPECT_EQ(read.form.chunkType, kForm);
    EXPECT_EQ(read.form.chunkSize + 8u, std::filesystem::file_size(path));
    EXPECT_EQ(read.tree, SampleTree());
    EXPECT_EQ(read.shortReads, 0);
}

TEST(CRIFFTest, ByteLayoutHasLittleEndianSizesPadBytesAndPatchedSizes) {
    const std::string path = TempPath("layout.bin");
    ASSERT_TRUE(
        WriteTree(path, MakeFourCC("TEST"),
                  {Data("abcd", {1, 2, 3}), List("lst1", {Data("ef  ", {9})}), Data("zero", {})}));
    const Bytes expected = {
        'R', 'I', 'F', 'F', 46, 0, 0, 0, 'T', 'E', 'S', 'T', // form, size 54 - 8
        'a', 'b', 'c', 'd', 3,  0, 0, 0, 1,   2,   3,   0,   // odd body, pad byte
        'L', 'I', 'S', 'T', 14, 0, 0, 0, 'l', 's', 't', '1', // LIST, size 46 - 24 - 8
        'e', 'f', ' ', ' ', 1,  0, 0, 0, 9,   0,             // one byte and its pad
        'z', 'e', 'r', 'o', 0,  0, 0, 0,                     // empty chunk
    };
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(CRIFFTest, IndependentReaderSeesTheSameTree) {
    const std::string path = TempPath("check.lt4");
    ASSERT_TRUE(WriteTree(path, kForm, SampleTree()));
    const ReadResult read = ReadTree(path);
    ASSERT_TRUE(read.opened);

    const std::string command = std::string("python3 '") + LOOMTONE_SOURCE_DIR +
                                "/tests/support/riff_check.py' '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_EQ(output, read.lines);
    EXPECT_NE(output.find("3 LIST 4 empt 0"), std::string::npos) << output;
    EXPECT_NE(output.find("1 PROJ 9 - 1"), std::string::npos) << output;
}

TEST(CRIFFTest, EveryTruncationFailsCleanly) {
    const Bytes full = SampleBytes();
    ASSERT_GT(full.size(), 12u);
    for (size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        const ReadResult asIs = ReadBytes(cut);
        // Only the final pad byte may go missing.
        EXPECT_EQ(asIs.opened, length == full.size() - 1);
        if (asIs.opened) {
            EXPECT_EQ(asIs.tree, SampleTree());
        }
        if (length < 12)
            continue;
        // With the form's size matching the cut, the damage is found further in.
        Bytes fitted = cut;
        PutLE32(fitted, 4, static_cast<uint32_t>(length - 8));
        const ReadResult walked = ReadBytes(fitted);
        ASSERT_TRUE(walked.opened);
        EXPECT_EQ(walked.shortReads, 0);
        EXPECT_EQ(walked.tree == SampleTree(), length == full.size() - 1);
    }
}

TEST(CRIFFTest, AFileCutShortGivesEveryChunkBeforeTheCutWhenAskedTo) {
    const Bytes full = SampleBytes();
    const std::vector<Node> whole = SampleTree();
    for (size_t length = 12; length < full.size() - 1; ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        const ReadResult read = ReadBytes(cut, CRIFF::CutShortForm::kReadWhatIsThere);
        ASSERT_TRUE(read.opened);
        EXPECT_TRUE(read.cutShort);
        EXPECT_EQ(read.shortReads, 0);
        // The top-level chunks read are those the cut left whole, in order.
        ASSERT_LE(read.tree.size(), whole.size());
        for (size_t i = 0; i + 1 < read.tree.size(); ++i)
            EXPECT_EQ(read.tree[i], whole[i]) << i;
    }
    const ReadResult intact = ReadBytes(full, CRIFF::CutShortForm::kReadWhatIsThere);
    ASSERT_TRUE(intact.opened);
    EXPECT_FALSE(intact.cutShort);
    EXPECT_EQ(intact.tree, whole);
}

TEST(CRIFFTest, FinalOddChunkWithoutPadByteIsRead) {
    // The form's size leaves out the missing pad byte.
    const Bytes bytes = {'R', 'I', 'F', 'F', 13,  0, 0, 0, 'F', 'O', 'R',
                         'M', 'o', 'n', 'e', ' ', 1, 0, 0, 0,   42};
    const ReadResult read = ReadBytes(bytes);
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.tree, (std::vector<Node>{Data("one ", {42})}));
}

TEST(CRIFFTest, CorruptSizesEndTheLevelWithoutReadingPastIt) {
    const Bytes good = SampleBytes();
    {
        Bytes bytes = good; // data chunk claiming 4 GiB
        PutLE32(bytes, FindChunk(bytes, "PROJ") + 4, 0xFFFFFFFF);
        const ReadResult read = ReadBytes(bytes);
        ASSERT_TRUE(read.opened);
        EXPECT_TRUE(read.tree.empty());
        FilePtr file(new CFileObj);
        RiffPtr riff = OpenReader(file.get(), bytes);
        EXPECT_FALSE(riff->GetCurrentChunkInfo(nullptr, nullptr));
        EXPECT_FALSE(riff->SeekToChunk(MakeFourCC("Mark")));
        char buffer[16];
        EXPECT_EQ(riff->ReadCurrentSubChunk(buffer, sizeof buffer), 0u);
        EXPECT_FALSE(riff->Descend());
        EXPECT_FALSE(riff->SeekToNextChunk());
    }
    {
        Bytes bytes = good; // LIST running past the form
        const size_t list = FindChunk(bytes, "ClpM");
        PutLE32(bytes, list + 4, static_cast<uint32_t>(bytes.size()));
        const ReadResult read = ReadBytes(bytes);
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.tree, (std::vector<Node>{SampleTree()[0], SampleTree()[1]}));
    }
    {
        Bytes bytes = good; // a chunk running past its LIST, though not past the file
        PutLE32(bytes, FindChunk(bytes, "CpMD") + 4, 200);
        const ReadResult read = ReadBytes(bytes);
        ASSERT_TRUE(read.opened);
        std::vector<Node> expected = SampleTree();
        expected[2].children.clear();
        EXPECT_EQ(read.tree, expected);
    }
    {
        Bytes bytes = good; // LIST too short for its type
        PutLE32(bytes, FindChunk(bytes, "ClpM") + 4, 2);
        EXPECT_EQ(ReadBytes(bytes).tree.size(), 2u);
    }
    for (uint32_t formSize : {0u, 3u, 0xFFFFFFFFu, static_cast<uint32_t>(good.size())}) {
        Bytes bytes = good;
        PutLE32(bytes, 4, formSize);
        EXPECT_FALSE(ReadBytes(bytes).opened) << formSize;
    }
}

TEST(CRIFFTest, GarbageCodesAndBytesNeverCrash) {
    Bytes bytes = SampleBytes();
    bytes[0] = 'X';
    EXPECT_FALSE(ReadBytes(bytes).opened);

    bytes = SampleBytes(); // unknown codes are plain data chunks
    std::memcpy(&bytes[FindChunk(bytes, "PROJ")], "\x01\xFF\x80 ", 4);
    const ReadResult read = ReadBytes(bytes);
    ASSERT_EQ(read.tree.size(), SampleTree().size());
    EXPECT_EQ(read.tree[0].id, 0x2080FF01u);
    EXPECT_EQ(read.tree[0].body, SampleTree()[0].body);

    // Random bodies after a valid form header, now and then shaped like a LIST.
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 500; ++round) {
        Bytes noise(12 + next() % 200);
        for (auto& byte : noise)
            byte = static_cast<unsigned char>(next() >> 16);
        std::memcpy(noise.data(), "RIFF", 4);
        PutLE32(noise, 4, static_cast<uint32_t>(noise.size() - 8));
        for (size_t at = 12; at + 8 <= noise.size(); at += 12)
            if (next() % 2)
                std::memcpy(&noise[at], "LIST", 4);
        const ReadResult walked = ReadBytes(noise);
        EXPECT_TRUE(walked.opened);
        EXPECT_EQ(walked.shortReads, 0);
    }
}

TEST(CRIFFTest, DeepNestingIsRefusedBeyondTheLimit) {
    const std::string path = TempPath("deep.bin");
    {
        FilePtr file(new CFileObj);
        RiffPtr riff(new CRIFF);
        ASSERT_TRUE(file->Create(path));
        ASSERT_TRUE(riff->Create(file.get(), kForm));
        for (int i = 0; i < 3 * CRIFF::kMaxDepth; ++i)
            ASSERT_TRUE(riff->WriteListChunkHeader(MakeFourCC("nest")));
        ASSERT_TRUE(riff->Close()); // closes every open LIST
    }
    FilePtr file(new CFileObj);
    ASSERT_TRUE(file->Open(path));
    RiffPtr riff(new CRIFF);
    ASSERT_TRUE(riff->Open(file.get(), nullptr));
    int entered = 0;
    while (riff->Descend())
        ++entered;
    EXPECT_EQ(entered, CRIFF::kMaxDepth - 1);
    EXPECT_EQ(CurrentID(*riff), FOURCC_LIST);
    for (int i = 0; i < entered; ++i)
        EXPECT_TRUE(riff->Ascend());
    EXPECT_FALSE(riff->Ascend());
    EXPECT_EQ(ReadTree(path).tree.size(), 1u);
}

TEST(CRIFFTest, SeekToChunkSearchesOnFromTheCurrentChunk) {
    const Bytes bytes = SampleBytes();
    FilePtr file(new CFileObj);
    RiffPtr riff = OpenReader(file.get(), bytes);
    EXPECT_TRUE(riff->SeekToChunk(MakeFourCC("PROJ"))); // the current chunk itself
    EXPECT_TRUE(riff->SeekToChunk(MakeFourCC("PROJ")));
    EXPECT_TRUE(riff->SeekToChunk(MakeFourCC("Mark")));
    EXPECT_FALSE(riff->SeekToChunk(MakeFourCC("EfxL"))); // behind: not found
    EXPECT_EQ(CurrentID(*riff), MakeFourCC("Mark"));     // and nothing moved
    EXPECT_FALSE(riff->SeekToChunk(MakeFourCC("CpMD"))); // deeper level: not found

    EXPECT_TRUE(riff->SeekToLevelBeginning());
    EXPECT_EQ(CurrentID(*riff), MakeFourCC("PROJ"));
    EXPECT_TRUE(riff->SeekToChunk(FOURCC_LIST, MakeFourCC("last")));
    RIFFChunkInfo chunk;
    ASSERT_TRUE(riff->GetCurrentChunkInfo(nullptr, &chunk));
    EXPECT_EQ(chunk.chunkType, MakeFourCC("last"));

    EXPECT_TRUE(riff->SeekToLevelBeginning());
    EXPECT_TRUE(riff->SeekToChunk(FOURCC_LIST)); // any type
    ASSERT_TRUE(riff->GetCurrentChunkInfo(nullptr, &chunk));
    EXPECT_EQ(chunk.chunkType, MakeFourCC("ClpM"));
    EXPECT_EQ(chunk.chunkSize, 4u + (8 + 6) + (12 + 8 + 2 + 12 + 8 + 4) + (8 + 4));
}

TEST(CRIFFTest, DescendAndAscendTrackTheLevels) {
    const Bytes bytes = SampleBytes();
    FilePtr file(new CFileObj);
    RiffPtr riff = OpenReader(file.get(), bytes);
    EXPECT_FALSE(riff->Descend()); // "PROJ" is no LIST
    EXPECT_FALSE(riff->Ascend());  // already at the form
    ASSERT_TRUE(riff->SeekToChunk(FOURCC_LIST));
    ASSERT_TRUE(riff->Descend());
    RIFFChunkInfo parent, chunk;
    ASSERT_TRUE(riff->GetCurrentChunkInfo(&parent, &chunk));
    EXPECT_EQ(parent.chunkType, MakeFourCC("ClpM"));
    EXPECT_EQ(chunk.chunkID, MakeFourCC("CpMD"));

    ASSERT_TRUE(riff->SeekToChunk(FOURCC_LIST, MakeFourCC("deep")));
    ASSERT_TRUE(riff->Descend());
    ASSERT_TRUE(riff->SeekToChunk(FOURCC_LIST));
    ASSERT_TRUE(riff->Descend()); // the empty LIST
    EXPECT_FALSE(riff->GetCurrentChunkInfo(&parent, &chunk));
    EXPECT_EQ(parent.chunkType, MakeFourCC("empt"));
    EXPECT_FALSE(riff->SeekToLevelBeginning());
    EXPECT_FALSE(riff->SeekToNextChunk());
    ASSERT_TRUE(riff->Ascend());
    ASSERT_TRUE(riff->Ascend());
    // The LIST just left is current again; moving on passes it.
    ASSERT_TRUE(riff->GetCurrentChunkInfo(&parent, &chunk));
    EXPECT_EQ(chunk.chunkType, MakeFourCC("deep"));
    EXPECT_EQ(parent.chunkType, MakeFourCC("ClpM"));
    ASSERT_TRUE(riff->SeekToNextChunk());
    EXPECT_EQ(CurrentID(*riff), MakeFourCC("Envl"));
    EXPECT_FALSE(riff->SeekToNextChunk()); // end of "ClpM"
    ASSERT_TRUE(riff->Ascend());
    ASSERT_TRUE(riff->SeekToNextChunk());
    EXPECT_EQ(CurrentID(*riff), MakeFourCC("Mark"));
}

TEST(CRIFFTest, ReadCurrentSubChunkReadsAtMostTheChunkAndTheBuffer) {
    const Bytes bytes = SampleBytes();
    FilePtr file(new CFileObj);
    RiffPtr riff = OpenReader(file.get(), bytes);
    Bytes buffer(32, 0xEE);
    EXPECT_EQ(riff->ReadCurrentSubChunk(buffer.data(), 4), 4u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{1, 8, 15, 22, 0xEE}));
    EXPECT_EQ(riff->ReadCurrentSubChunk(buffer.data(), 32), 9u); // again from the start
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 10),
              (Bytes{1, 8, 15, 22, 29, 36, 43, 50, 57, 0xEE}));
    EXPECT_EQ(riff->ReadCurrentSubChunk(nullptr, 32), 0u);
    EXPECT_EQ(CurrentID(*riff), MakeFourCC("PROJ")); // reading does not move on
    ASSERT_TRUE(riff->SeekToNextChunk());
    EXPECT_EQ(riff->ReadCurrentSubChunk(buffer.data(), 32), 0u); // "EfxL" is empty
    EXPECT_EQ(riff->FilePosition(), 12 + 8 + 10);
    EXPECT_EQ(riff->FileSize(), static_cast<int64_t>(bytes.size()));
}

TEST(CRIFFTest, WriterAndReaderRefuseTheOtherSidesOperations) {
    const std::string path = TempPath("modes.bin");
    FilePtr file(new CFileObj);
    ASSERT_TRUE(file->Create(path));
    RiffPtr riff(new CRIFF);
    EXPECT_FALSE(riff->WriteSubChunk(MakeFourCC("none"), "x", 1)); // not created yet
    ASSERT_TRUE(riff->Create(file.get(), kForm));
    EXPECT_FALSE(riff->Create(file.get(), kForm));
    EXPECT_FALSE(riff->Open(file.get(), nullptr));
    EXPECT_FALSE(riff->Descend()); // no LIST open
    EXPECT_FALSE(riff->Ascend());
    EXPECT_FALSE(riff->WriteSubChunk(MakeFourCC("null"), nullptr, 3));
    EXPECT_FALSE(riff->SeekToChunk(MakeFourCC("null")));
    EXPECT_FALSE(riff->GetCurrentChunkInfo(nullptr, nullptr));
    char buffer[4];
    EXPECT_EQ(riff->ReadCurrentSubChunk(buffer, 4), 0u);
    ASSERT_TRUE(riff->WriteListChunkHeader(MakeFourCC("open")));
    EXPECT_TRUE(riff->Descend());
    ASSERT_TRUE(riff->WriteSubChunk(MakeFourCC("data"), "abc", 3));
    EXPECT_EQ(riff->FilePosition(), 12 + 12 + 12);
    ASSERT_TRUE(riff->Close()); // the LIST left open is closed too
    EXPECT_EQ(ReadTree(path).tree,
              (std::vector<Node>{List("open", {Data("data", {'a', 'b', 'c'})})}));

    FilePtr reading(new CFileObj);
    ASSERT_TRUE(reading->Open(path));
    RiffPtr reader(new CRIFF);
    EXPECT_FALSE(reader->Create(reading.get(), kForm)); // read-only file
    ASSERT_TRUE(reader->Open(reading.get(), nullptr));
    EXPECT_FALSE(reader->WriteSubChunk(MakeFourCC("data"), "abc", 3));
    EXPECT_FALSE(reader->WriteListChunkHeader(MakeFourCC("open")));
    EXPECT_TRUE(reader->Close());
}

TEST(CRIFFTest, HoldsAReferenceOnItsFileUntilClosed) {
    FilePtr file(new CFileObj);
    const Bytes bytes = SampleBytes();
    ASSERT_TRUE(file->OpenMemory(bytes.data(), bytes.size()));
    RiffPtr riff(new CRIFF);
    ASSERT_TRUE(riff->Open(file.get(), nullptr));
    EXPECT_EQ(file->RefCount(), 2u);
    EXPECT_TRUE(riff->Close());
    EXPECT_EQ(file->RefCount(), 1u);

    ASSERT_TRUE(riff->Open(file.get(), nullptr));
    riff.reset(); // releasing an open reader lets go of the file as well
    EXPECT_EQ(file->RefCount(), 1u);
}

TEST(CRIFFTest, RejectsFilesThatAreNotRIFF) {
    EXPECT_FALSE(ReadBytes({}).opened);
    EXPECT_FALSE(ReadBytes({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'a', 'b', 'c'}).opened);
    EXPECT_FALSE(ReadBytes({'R', 'I', 'F', 'X', 4, 0, 0, 0, 'a', 'b', 'c', 'd'}).opened);
    const ReadResult empty = ReadBytes({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'a', 'b', 'c', 'd'});
    EXPECT_TRUE(empty.opened);
    EXPECT_TRUE(empty.tree.empty());
    RiffPtr riff(new CRIFF);
    EXPECT_FALSE(riff->Open(nullptr, nullptr));
    FilePtr closed(new CFileObj);
    EXPECT_FALSE(riff->Open(closed.get(), nullptr));
}

TEST(CRIFFTest, FailedWritesAreReported) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs /dev/full";
    FilePtr full(new CFileObj);
    ASSERT_TRUE(full->Create("/dev/full")); // every write fails: the disk is full
    RiffPtr riff(new CRIFF);
    EXPECT_FALSE(riff->Create(full.get(), kForm));
    EXPECT_EQ(full->RefCount(), 1u);
    EXPECT_FALSE(riff->WriteSubChunk(MakeFourCC("data"), "abc", 3));
}
