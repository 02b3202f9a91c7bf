#include "engine/EffectsFactory.h"
#include "engine/CGainEffect.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

class NamedEffect : public CAudioEffect {
public:
    explicit NamedEffect(const EffectID& id) : CAudioEffect(id, "Registered", {}, {}) {}
    void Reset() override {}

private:
    void OnPrepare(double, int) override {}
    void OnProcess(float*, int) override {}
};

} // namespace

TEST(EffectsFactory, ListsTheBuiltInEffectsFirstWithNamesAndGroup) {
    const std::vector<EffectDescription> list =
        EffectsFactory::GetInstance()->GetAvailableEffects();
    ASSERT_GE(list.size(), 6u);
    const char* names[] = {"Gain", "Equalizer", "Compressor", "Delay", "Reverb", "Chorus"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(list[i].name, names[i]);
        EXPECT_EQ(list[i].group, EffectGroup::BuiltIn);
        EXPECT_FALSE(list[i].isInstrument);
        // Four characters and twelve zero bytes.
        EXPECT_TRUE(std::all_of(list[i].id.begin() + 4, list[i].id.end(),
                                [](uint8_t byte) { return byte == 0; }));
    }
    EXPECT_EQ(list[0].id, CGainEffect::kID);
}

TEST(EffectsFactory, LoadEffectMakesANewEffectOfThatKindOrNothing) {
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects()) {
        std::unique_ptr<CAudioEffect> first =
            EffectsFactory::GetInstance()->LoadEffect(description.id);
        std::unique_ptr<CAudioEffect> second =
            EffectsFactory::GetInstance()->LoadEffect(description.id);
        ASSERT_NE(first, nullptr);
        EXPECT_NE(first.get(), second.get());
        EXPECT_EQ(first->GetIdentifier(), description.id);
        EXPECT_EQ(first->GetName(), description.name);
        EXPECT_EQ(first->IsInstrument(), description.isInstrument);
        EXPECT_TRUE(first->isActive());
        EXPECT_FALSE(first->IsPrepared());
    }
    LogCapture log;
    EXPECT_EQ(EffectsFactory::GetInstance()->LoadEffect(MakeEffectID("nope")), nullptr);
    EXPECT_EQ(EffectsFactory::GetInstance()->LoadEffect(EffectID{}), nullptr);
    EXPECT_TRUE(log.Contains("EffectsFactory::LoadEffect - unknown effect 'nope'"));
}

TEST(EffectsFactory, RegistersNewKindsButNoDuplicatesOrEmptyIdentifiers) {
    EffectsFactory& factory = *EffectsFactory::GetInstance();
    const EffectID id = MakeEffectID("tReg");
    auto create = [id] { return std::make_unique<NamedEffect>(id); };
    // The factory lives as long as the test program, which may run this test repeatedly.
    static const bool registered =
        !factory.IsKnown(id) &&
        factory.RegisterEffect({id, "Registered", EffectGroup::Vst, false}, create);
    ASSERT_TRUE(registered);
    EXPECT_TRUE(factory.IsKnown(id));
    EXPECT_FALSE(factory.RegisterEffect({id, "Again", EffectGroup::Vst, false}, create));
    EXPECT_FALSE(
        factory.RegisterEffect({CGainEffect::kID, "Gain", EffectGroup::BuiltIn, false}, create));
    EXPECT_FALSE(factory.RegisterEffect({EffectID{}, "Empty", EffectGroup::Vst, false}, create));
    EXPECT_FALSE(
        factory.RegisterEffect({MakeEffectID("tNul"), "Null", EffectGroup::Vst, false}, nullptr));

    const std::vector<EffectDescription> list = factory.GetAvailableEffects();
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const EffectDescription& d) { return d.id == id; });
    ASSERT_NE(found, list.end());
    EXPECT_EQ(found->name, "Registered");
    EXPECT_EQ(found->group, EffectGroup::Vst);
    EXPECT_NE(factory.LoadEffect(id), nullptr);
}

TEST(EffectsFactory, RegistersLateEffectsOnlyWhenAnAnswerCouldNeedThem) {
    EffectsFactory& factory = *EffectsFactory::GetInstance();
    const EffectID id = MakeEffectID("tLat");
    int calls = 0;
    // The factory lives as long as the test program, which may run this test repeatedly.
    static bool registered = false;
    factory.SetLateRegistration([&] {
        ++calls;
        if (!registered)
            registered = factory.RegisterEffect({id, "Late", EffectGroup::Vst, false},
                                                [id] { return std::make_unique<NamedEffect>(id); });
    });
    struct Forget {
        ~Forget() { EffectsFactory::GetInstance()->SetLateRegistration(nullptr); }
    } forget;

    EXPECT_NE(factory.LoadEffect(CGainEffect::kID), nullptr);
    EXPECT_TRUE(factory.IsKnown(CGainEffect::kID));
    EXPECT_EQ(calls, 0) << "a known effect needs nothing more";
    std::unique_ptr<CAudioEffect> late = factory.LoadEffect(id);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->GetIdentifier(), id);

    const std::vector<EffectDescription> list = factory.GetAvailableEffects();
    EXPECT_GE(calls, 1);
    EXPECT_TRUE(std::any_of(list.begin(), list.end(),
                            [&](const EffectDescription& d) { return d.id == id; }));
    const int before = calls;
    LogCapture log;
    EXPECT_FALSE(factory.IsKnown(MakeEffectID("tNon")));
    EXPECT_EQ(calls, before + 1) << "an unknown identifier looks again";
}

TEST(EffectsFactory, IdentifiersReadAsTextInLogLines) {
    EXPECT_EQ(EffectIDToText(MakeEffectID("MGrV")), "MGrV");
    EffectID odd = MakeEffectID("ab\x01"
                                "c");
    odd[15] = 'z';
    EXPECT_EQ(EffectIDToText(odd), "ab?cz");
}
