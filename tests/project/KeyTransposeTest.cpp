// Transpose Project Keys Up / Down: every key a marker sets moves a
// semitone within its mode, as one undo step.
#include "project/KeyTranspose.h"
#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "project/CProjectMarkers.h"
#include "support/CUndoStep.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyTranspose, AKeyStaysInItsModeAndWrapsRoundTheOctave) {
    EXPECT_EQ(TransposedKey(3, 1), 4);   // C -> Db
    EXPECT_EQ(TransposedKey(11, 1), 0);  // Ab -> A
    EXPECT_EQ(TransposedKey(0, -1), 11); // A -> Ab
    EXPECT_EQ(TransposedKey(23, 1), 12); // G#m -> Am
    EXPECT_EQ(TransposedKey(12, -1), 23);
    EXPECT_EQ(TransposedKey(15, 12), 15);
    EXPECT_EQ(TransposedKey(-1, 1), -1);
    EXPECT_EQ(TransposedKey(24, 1), 24);
}

class KeyTransposeTest : public ProjectOnWindowTest {};

TEST_F(KeyTransposeTest, EveryKeyMarkerMovesAsOneUndoStep) {
    MarkerRecord minor;
    minor.time = 4000;
    minor.tempoEvent.time = 4000.0;
    minor.tempoEvent.key = 23;
    minor.tempoEvent.keyChange = true;
    ASSERT_TRUE(m_project->Markers().Add(minor));
    MarkerRecord tempoOnly;
    tempoOnly.time = 6000;
    tempoOnly.tempoEvent.time = 6000.0;
    tempoOnly.tempoEvent.key = 5;
    tempoOnly.tempoEvent.tempo = 100.0;
    tempoOnly.tempoEvent.tempoChange = true;
    ASSERT_TRUE(m_project->Markers().Add(tempoOnly));
    const int startKey = m_project->Markers().At(0).tempoEvent.key;
    m_undo.ClearUndoHistory();

    {
        CUndoStep step(m_undo);
        EXPECT_EQ(TransposeProjectKeys(*m_project, m_undo, 1), 2);
    }
    EXPECT_EQ(m_project->Markers().At(0).tempoEvent.key, TransposedKey(startKey, 1));
    EXPECT_EQ(m_project->Markers().At(1).tempoEvent.key, 12);
    EXPECT_EQ(m_project->Markers().At(2).tempoEvent.key, 5) << "sets no key";
    EXPECT_EQ(m_project->GetTempoMap().GetKeyAtTime(5000.0), 12);
    // The ruler shows the new key.
    EXPECT_NE(m_project->TimeGrid().GetMarker(1)->GetText().find(TempoMap::GetKeyStr(12)),
              std::string::npos);

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().At(0).tempoEvent.key, startKey);
    EXPECT_EQ(m_project->Markers().At(1).tempoEvent.key, 23);
    EXPECT_EQ(m_project->GetTempoMap().GetKeyAtTime(5000.0), 23);
    EXPECT_FALSE(m_undo.CanUndo());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->Markers().At(1).tempoEvent.key, 12);

    {
        CUndoStep step(m_undo);
        TransposeProjectKeys(*m_project, m_undo, -1);
    }
    EXPECT_EQ(m_project->Markers().At(1).tempoEvent.key, 23);
    EXPECT_EQ(m_project->Markers().At(0).tempoEvent.key, startKey);
}

} // namespace
