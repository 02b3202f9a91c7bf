#pragma once

// A project at one tempo case whose first track plays the saw before bar 5
// and across it, through a -3 dB gain effect, at a volume of 0.7; the first
// track is selected and there are no undo steps yet.
#include "TempoCase.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

#include <memory>

class SawTrackTest : public SawAtTempoTest {
protected:
    void SetUp() override {
        SawAtTempoTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(AddClipAt(0, 1000.0, m_dir + "Saw.wav"), nullptr);
        ASSERT_NE(AddClipAt(0, 7000.0, m_dir + "Saw.wav"), nullptr);
        CTrack* track = m_project->GetTrack(0);
        auto gain = std::make_unique<CGainEffect>();
        gain->SetParameter(CGainEffect::kGainDb, -3.0f);
        ASSERT_TRUE(track->GetEffectChain()->Insert(std::move(gain), -1));
        track->SetVolume(0.7, false);
        m_project->SelectTrack(0, false);
        m_undo.ClearUndoHistory();
    }
};
