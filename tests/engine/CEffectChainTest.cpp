#include "engine/CEffectChain.h"
#include "engine/CChorusEffect.h"
#include "engine/CCompressorEffect.h"
#include "engine/CDelayEffect.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CReverbEffect.h"
#include "engine/EffectsFactory.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/LogCapture.h"
#include "support/Paths.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr FourCC kEfxL = MakeFourCC("EfxL");
constexpr FourCC kEisL = MakeFourCC("EisL");
constexpr FourCC kEifx = MakeFourCC("Eifx");

std::unique_ptr<CAudioEffect> Gain(float db) {
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, db);
    return gain;
}

float GainOf(const CEffectChain& chain, int index) {
    return chain.GetEffect(index)->GetParameter(CGainEffect::kGainDb);
}

// A chain of every built-in effect with settings away from the defaults and
// two of them switched off.
void FillWithEveryEffect(CEffectChain& chain) {
    int index = 0;
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects()) {
        if (description.group != EffectGroup::BuiltIn || description.isInstrument)
            continue;
        auto effect = EffectsFactory::GetInstance()->LoadEffect(description.id);
        effect->LoadPreset(1);
        if (index % 2 == 0) {
            const EffectParameterInfo* info = effect->GetParameterInfo(0);
            effect->SetParameter(0, (info->minValue + info->maxValue) * 0.37f);
        }
        effect->setActive(index % 3 != 1);
        ASSERT_TRUE(chain.Insert(std::move(effect), -1));
        ++index;
    }
}

void ExpectSameChain(const CEffectChain& a, const CEffectChain& b) {
    ASSERT_EQ(a.NumEffects(), b.NumEffects());
    for (int i = 0; i < a.NumEffects(); ++i) {
        const CAudioEffect* x = a.GetEffect(i);
        const CAudioEffect* y = b.GetEffect(i);
        EXPECT_EQ(x->GetIdentifier(), y->GetIdentifier());
        EXPECT_EQ(x->isActive(), y->isActive());
        EXPECT_EQ(x->GetCurrentPresetName(), y->GetCurrentPresetName());
        for (int p = 0; p < x->GetNumParameters(); ++p)
            EXPECT_EQ(x->GetParameter(p), y->GetParameter(p)) << x->GetName() << " " << p;
    }
}

std::string TempPath(const std::string& name) {
    CreateMultiLevelDir(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/" + name;
}

struct RefRelease {
    void operator()(CRefObj* object) const { object->DeleteRefObject(); }
};
template <typename T> using RefPtr = std::unique_ptr<T, RefRelease>;

void PutU32(std::vector<uint8_t>& body, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        body[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TEST(CEffectChain, InsertRemoveSwapKeepTheSlotOrder) {
    CEffectChain chain;
    EXPECT_EQ(chain.NumEffects(), 0);
    EXPECT_TRUE(chain.Insert(Gain(-1), 0));
    EXPECT_TRUE(chain.Insert(Gain(-3), 5)); // past the end: appended
    EXPECT_TRUE(chain.Insert(Gain(-2), 1));
    EXPECT_TRUE(chain.Insert(Gain(-4), -1));
    ASSERT_EQ(chain.NumEffects(), 4);
    EXPECT_EQ(GainOf(chain, 0), -1);
    EXPECT_EQ(GainOf(chain, 1), -2);
    EXPECT_EQ(GainOf(chain, 2), -3);
    EXPECT_EQ(GainOf(chain, 3), -4);
    EXPECT_TRUE(chain.GetEffect(3)->IsPrepared());

    EXPECT_TRUE(chain.Swap(0, 3));
    EXPECT_EQ(GainOf(chain, 0), -4);
    EXPECT_EQ(GainOf(chain, 3), -1);
    EXPECT_FALSE(chain.Swap(0, 4));
    EXPECT_FALSE(chain.Swap(-1, 0));

    std::unique_ptr<CAudioEffect> removed = chain.Remove(1);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->GetParameter(CGainEffect::kGainDb), -2);
    EXPECT_EQ(chain.NumEffects(), 3);
    EXPECT_EQ(GainOf(chain, 1), -3);
    EXPECT_EQ(chain.Remove(3), nullptr);
    EXPECT_EQ(chain.Remove(-1), nullptr);
    EXPECT_EQ(chain.GetEffect(3), nullptr);

    // As a new project empties the master chain.
    for (int i = 0, n = chain.NumEffects(); i < n; ++i)
        chain.Remove(0);
    EXPECT_EQ(chain.NumEffects(), 0);
    EXPECT_FALSE(chain.Insert(nullptr, 0));
}

TEST(CEffectChain, RefusesMoreThanItsLimit) {
    CEffectChain chain;
    for (int i = 0; i < CEffectChain::kMaxEffects; ++i)
        ASSERT_TRUE(chain.Insert(Gain(0), -1));
    EXPECT_FALSE(chain.Insert(Gain(0), -1));
    chain.RemoveAll();
    EXPECT_EQ(chain.NumEffects(), 0);
}

TEST(CEffectChain, ProcessRunsActiveEffectsInOrderAndSkipsInactiveOnes) {
    CEffectChain chain;
    ASSERT_TRUE(chain.Prepare(48000.0, 256));
    chain.Insert(Gain(-6.0206f), -1);
    chain.Insert(Gain(-6.0206f), -1);
    std::vector<float> block(512, 1.0f);
    EXPECT_TRUE(chain.Process(block.data(), 256));
    EXPECT_NEAR(block[100], 0.25f, 1e-4);
    chain.GetEffect(0)->setActive(false);
    std::fill(block.begin(), block.end(), 1.0f);
    EXPECT_TRUE(chain.Process(block.data(), 256));
    EXPECT_NEAR(block[100], 0.5f, 1e-4);
    EXPECT_EQ(chain.GetEffect(0)->GetSampleRate(), 48000.0);
    EXPECT_FALSE(chain.Prepare(0.0, 256));
    EXPECT_FALSE(chain.Prepare(48000.0, 0));
    EXPECT_EQ(chain.GetEffect(1)->GetSampleRate(), 48000.0);
}

TEST(CEffectChain, AnEffectSwitchedOnAgainForgetsWhatItHeld) {
    CEffectChain chain;
    auto delay = std::make_unique<CDelayEffect>();
    delay->SetParameter(CDelayEffect::kTimeMs, 10.0f); // 441 frames
    delay->SetParameter(CDelayEffect::kMix, 100.0f);
    chain.Insert(std::move(delay), 0);
    std::vector<float> block(2048, 0.0f);
    block[0] = 1.0f;
    chain.Process(block.data(), 100); // the impulse is now in the delay line
    chain.GetEffect(0)->setActive(false);
    std::fill(block.begin(), block.end(), 0.0f);
    chain.Process(block.data(), 100);
    chain.GetEffect(0)->setActive(true);
    chain.Process(block.data(), 1024);
    for (float sample : block)
        ASSERT_EQ(sample, 0.0f);
}

TEST(CEffectChain, TailIsTheSumOfTheActiveEffectsTails) {
    CEffectChain chain;
    chain.Insert(std::make_unique<CDelayEffect>(), -1);
    chain.Insert(std::make_unique<CReverbEffect>(), -1);
    chain.Insert(Gain(0), -1);
    const double both = chain.GetEffect(0)->GetTailMs() + chain.GetEffect(1)->GetTailMs();
    EXPECT_DOUBLE_EQ(chain.GetTailMs(), both);
    chain.GetEffect(1)->setActive(false);
    EXPECT_DOUBLE_EQ(chain.GetTailMs(), chain.GetEffect(0)->GetTailMs());
}

namespace {

// An effect whose preparation waits until the test lets it go, so that the
// chain's lock is held (by Prepare) for as long as the test wants.
class BlockingEffect : public CAudioEffect {
public:
    BlockingEffect() : CAudioEffect(MakeEffectID("tBlk"), "Blocking", {}, {}) {}
    void Reset() override {}

    void Block() {
        std::lock_guard guard(mutex);
        blocking = true;
        entered = false;
    }
    void WaitUntilEntered() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return entered; });
    }
    void Release() {
        std::lock_guard guard(mutex);
        blocking = false;
        changed.notify_all();
    }

private:
    void OnPrepare(double, int) override {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return !blocking; });
    }
    void OnProcess(float* stereo, int frames) override {
        for (int i = 0; i < frames * 2; ++i)
            stereo[i] *= 0.5f;
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool blocking = false;
    bool entered = false;
};

} // namespace

TEST(CEffectChain, ABlockArrivingWhileTheChainChangesIsSilent) {
    CEffectChain chain;
    auto owned = std::make_unique<BlockingEffect>();
    BlockingEffect* effect = owned.get();
    ASSERT_TRUE(chain.Insert(std::move(owned), 0));
    effect->Block();
    std::thread gui([&] { chain.Prepare(48000.0, 512); });
    effect->WaitUntilEntered();
    std::vector<float> block(64, 1.0f);
    EXPECT_FALSE(chain.Process(block.data(), 32));
    EXPECT_EQ(block, std::vector<float>(64, 0.0f));
    effect->Release();
    gui.join();
    std::fill(block.begin(), block.end(), 1.0f);
    EXPECT_TRUE(chain.Process(block.data(), 32));
    EXPECT_EQ(block[0], 0.5f);
}

namespace {

// A test instrument: records the MIDI events it receives.
class RecordingInstrument : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("tIns");
    RecordingInstrument() : CAudioEffect(kID, "Recording Instrument", {}, {}) {}
    bool IsInstrument() const override { return true; }
    void HandleMidiEvent(const EffectMidiEvent& event) override { events.push_back(event); }
    void Reset() override {}
    std::vector<EffectMidiEvent> events;

private:
    void OnPrepare(double, int) override { events.reserve(16); }
    void OnProcess(float*, int) override {}
};

} // namespace

TEST(CEffectChain, MidiEventsReachTheActiveInstrument) {
    static const bool registered = EffectsFactory::GetInstance()->RegisterEffect(
        {RecordingInstrument::kID, "Recording Instrument", EffectGroup::BuiltIn, true},
        [] { return std::make_unique<RecordingInstrument>(); });
    ASSERT_TRUE(registered);
    CEffectChain chain;
    chain.Insert(EffectsFactory::GetInstance()->LoadEffect(RecordingInstrument::kID), 0);
    chain.Insert(Gain(0), 1);
    auto* instrument = static_cast<RecordingInstrument*>(chain.GetEffect(0));
    const EffectMidiEvent events[2] = {{0, 0x90, 60, 100}, {31, 0x80, 60, 0}};
    std::vector<float> block(64, 0.0f);
    chain.Process(block.data(), 32, events, 2);
    ASSERT_EQ(instrument->events.size(), 2u);
    EXPECT_EQ(instrument->events[1].frameOffset, 31);
    EXPECT_EQ(instrument->events[0].data1, 60);
    instrument->setActive(false);
    chain.Process(block.data(), 32, events, 2);
    EXPECT_EQ(instrument->events.size(), 2u);
}

TEST(CEffectChain, EveryEffectSavesAndLoadsBackThroughARiffFile) {
    CEffectChain saved;
    FillWithEveryEffect(saved);
    ASSERT_EQ(saved.NumEffects(), 6);
    CEffectChain second;
    second.Insert(Gain(-9), 0);

    const std::string path = TempPath("effect-chain.riff");
    {
        RefPtr<CFileObj> file(new CFileObj);
        RefPtr<CRIFF> riff(new CRIFF);
        ASSERT_TRUE(file->Create(path));
        ASSERT_TRUE(riff->Create(file.get(), MakeFourCC("LTC3")));
        ASSERT_TRUE(riff->WriteSubChunk(MakeFourCC("PROJ"), "proj", 4));
        ASSERT_TRUE(saved.Save(riff.get(), kEfxL));
        ASSERT_TRUE(second.Save(riff.get(), kEisL));
        ASSERT_TRUE(CEffectChain().Save(riff.get(), kEifx));
        ASSERT_TRUE(riff->WriteSubChunk(MakeFourCC("Mark"), "mark", 4));
        ASSERT_TRUE(riff->Close());
    }
    RefPtr<CFileObj> file(new CFileObj);
    RefPtr<CRIFF> riff(new CRIFF);
    ASSERT_TRUE(file->Open(path));
    ASSERT_TRUE(riff->Open(file.get(), nullptr));
    CEffectChain loaded, loadedSecond, loadedEmpty;
    loadedEmpty.Insert(Gain(3), 0); // replaced by the empty chain
    EXPECT_TRUE(loaded.Load(riff.get(), kEfxL));
    EXPECT_TRUE(loadedSecond.Load(riff.get(), kEisL));
    EXPECT_TRUE(loadedEmpty.Load(riff.get(), kEifx));
    RIFFChunkInfo next;
    ASSERT_TRUE(riff->GetCurrentChunkInfo(nullptr, &next));
    EXPECT_EQ(next.chunkID, MakeFourCC("Mark"));          // each load moved past its chunk
    EXPECT_FALSE(CEffectChain().Load(riff.get(), kEfxL)); // no further chain
    riff->Close();

    ExpectSameChain(saved, loaded);
    ExpectSameChain(second, loadedSecond);
    EXPECT_EQ(loadedEmpty.NumEffects(), 0);
    EXPECT_EQ(loaded.SaveBody(), saved.SaveBody());
}

TEST(CEffectChain, DamagedBodiesAreRefusedAndLeaveTheChainAsItWas) {
    CEffectChain source;
    FillWithEveryEffect(source);
    const std::vector<uint8_t> body = source.SaveBody();

    CEffectChain chain;
    chain.Insert(Gain(-7), 0);
    const std::vector<uint8_t> before = chain.SaveBody();
    auto refused = [&](const std::vector<uint8_t>& bytes) {
        const bool loaded = chain.LoadBody(bytes.data(), bytes.size());
        return !loaded && chain.SaveBody() == before;
    };

    for (size_t size = 0; size < body.size(); ++size)
        ASSERT_TRUE(refused(std::vector<uint8_t>(body.begin(), body.begin() + size)))
            << "length " << size;
    std::vector<uint8_t> bytes = body;
    bytes.push_back(0);
    EXPECT_TRUE(refused(bytes)); // a byte left over
    bytes = body;
    PutU32(bytes, 0, 2);
    EXPECT_TRUE(refused(bytes)); // version
    bytes = body;
    PutU32(bytes, 4, 0xFFFFFFFFu);
    EXPECT_TRUE(refused(bytes)); // count
    bytes = body;
    PutU32(bytes, 4, CEffectChain::kMaxEffects + 1);
    EXPECT_TRUE(refused(bytes));
    bytes = body;
    bytes[8 + 16] = 2;
    EXPECT_TRUE(refused(bytes)); // active byte
    bytes = body;
    PutU32(bytes, 8 + 17, 0x7FFFFFFFu);
    EXPECT_TRUE(refused(bytes)); // state size
    bytes = body;
    bytes[8 + 21] = 9;
    EXPECT_TRUE(refused(bytes)); // the first effect's state version
    EXPECT_TRUE(chain.LoadBody(body.data(), body.size()));
    ExpectSameChain(source, chain);
}

TEST(CEffectChain, AnUnknownEffectIsKeptInItsSlotWithALogLine) {
    CEffectChain source;
    source.Insert(Gain(-5), -1);
    source.Insert(std::make_unique<CChorusEffect>(), -1);
    std::vector<uint8_t> body = source.SaveBody();
    body[8] = 'Z'; // the gain's identifier becomes "ZGai"
    CEffectChain chain;
    LogCapture log;
    ASSERT_TRUE(chain.LoadBody(body.data(), body.size()));
    ASSERT_EQ(chain.NumEffects(), 2);
    EXPECT_EQ(chain.GetEffect(0)->GetIdentifier(), MakeEffectID("ZGai"));
    EXPECT_EQ(chain.GetEffect(1)->GetIdentifier(), CChorusEffect::kID);
    EXPECT_TRUE(log.Contains("CEffectChain::Load - effect 'ZGai' is not available here"));
    EXPECT_EQ(chain.SaveBody(), body);
}

TEST(CEffectChain, MissingShortOrOversizedChunksFail) {
    const std::string path = TempPath("effect-chain-bad.riff");
    {
        RefPtr<CFileObj> file(new CFileObj);
        RefPtr<CRIFF> riff(new CRIFF);
        ASSERT_TRUE(file->Create(path));
        ASSERT_TRUE(riff->Create(file.get(), MakeFourCC("LTC3")));
        ASSERT_TRUE(riff->WriteSubChunk(kEfxL, "\x01\x00\x00\x00\x05", 5));
        ASSERT_TRUE(riff->WriteSubChunk(MakeFourCC("Mark"), "mark", 4));
        ASSERT_TRUE(riff->Close());
    }
    RefPtr<CFileObj> file(new CFileObj);
    RefPtr<CRIFF> riff(new CRIFF);
    ASSERT_TRUE(file->Open(path));
    ASSERT_TRUE(riff->Open(file.get(), nullptr));
    CEffectChain chain;
    chain.Insert(Gain(2), 0);
    EXPECT_FALSE(chain.Load(riff.get(), kEisL)); // not there
    EXPECT_FALSE(chain.Load(riff.get(), kEfxL)); // short body
    EXPECT_EQ(chain.NumEffects(), 1);
    RIFFChunkInfo next;
    ASSERT_TRUE(riff->GetCurrentChunkInfo(nullptr, &next));
    EXPECT_EQ(next.chunkID, MakeFourCC("Mark"));
    EXPECT_FALSE(chain.Load(nullptr, kEfxL));
    EXPECT_FALSE(chain.Save(riff.get(), kEfxL)); // a reader cannot write
    riff->Close();
}
