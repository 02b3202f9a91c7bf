#include "burn/CBurnDialog.h"

#include "engine/CPCMMixer.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CImage.h"
#include "gui/CSkin.h"
#include "gui/DialogLook.h"
#include "gui/IGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int32_t kRow = 28;
constexpr int32_t kLabelWidth = 110;
constexpr int kRows = 10;
constexpr int32_t kHeight =
    CBaseDialog::kTitleHeight + 2 * CBaseDialog::kMargin + kRows * kRow + CDialogButton::kHeight;
constexpr int32_t kFieldWidth = CBurnDialog::kWidth - 2 * CBaseDialog::kMargin - kLabelWidth;

std::string LengthText(int32_t ms) {
    const int32_t seconds = std::max(0, ms) / 1000;
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

std::vector<std::string> WriterEntries(const std::vector<CDiscBurner::Writer>& writers) {
    std::vector<std::string> entries;
    for (const CDiscBurner::Writer& writer : writers)
        entries.push_back(writer.address + ": " + writer.name);
    if (entries.empty())
        entries.push_back(MyLoadString("BD_NoWriter"));
    return entries;
}

} // namespace

CBurnDialog::CBurnDialog(CDiscBurner& burner, CPCMMixer& mixer, Source source,
                         const Choices& choices)
    : CBaseDialog(MyLoadString("BD_Title"), kWidth, kHeight), m_burner(burner), m_mixer(mixer),
      m_source(std::move(source)), m_choices(choices), m_writers(burner.Writers()) {
    const int32_t fieldLeft = kMargin + kLabelWidth;
    m_writerChoice = std::make_unique<CDialogChoice>(kFieldWidth, WriterEntries(m_writers));
    AddFocusable(m_writerChoice.get(), fieldLeft, ContentTop());
    m_writerChoice->SetOnChange([this] { FillSpeeds(); });
    m_speedChoice = std::make_unique<CDialogChoice>(kFieldWidth, std::vector<std::string>{});
    AddFocusable(m_speedChoice.get(), fieldLeft, ContentTop() + kRow);
    const int32_t wide = kWidth - 2 * kMargin;
    m_testMode = std::make_unique<CDialogCheckBox>(wide, MyLoadString("BD_TestMode"));
    AddFocusable(m_testMode.get(), kMargin, ContentTop() + 2 * kRow);
    m_cdText = std::make_unique<CDialogCheckBox>(wide, MyLoadString("BD_CDText"));
    AddFocusable(m_cdText.get(), kMargin, ContentTop() + 3 * kRow);
    m_oneTrack = std::make_unique<CDialogCheckBox>(wide, MyLoadString("BD_OneTrack"));
    AddFocusable(m_oneTrack.get(), kMargin, ContentTop() + 4 * kRow);
    m_rangeChoice = std::make_unique<CDialogChoice>(
        kFieldWidth,
        std::vector<std::string>{MyLoadString("BD_All"), MyLoadString("BD_Selection")});
    AddFocusable(m_rangeChoice.get(), kMargin, ContentTop() + 5 * kRow);
    m_rangeChoice->SetOnChange([this] {
        ReadChoices();
        ShowLayout();
        Invalidate(nullptr);
    });
    AddButton(kBurnId, MyLoadString("BD_Burn"), kWidth - 2 * (kMargin + CDialogButton::kWidth),
              kHeight - kMargin - CDialogButton::kHeight);
    AddButton(IDCANCEL, MyLoadString("Cancel"), kWidth - kMargin - CDialogButton::kWidth,
              kHeight - kMargin - CDialogButton::kHeight);
    SetDefaultButton(kBurnId);

    m_testMode->SetChecked(m_choices.testMode);
    m_cdText->SetChecked(m_choices.cdText);
    m_oneTrack->SetChecked(m_choices.burnAsOne);
    // Without a time selection only the whole project can be burned.
    m_choices.selectionOnly = m_choices.selectionOnly && m_source.hasSelection;
    m_rangeChoice->SetSelected(m_choices.selectionOnly ? 1 : 0);
    if (!m_source.hasSelection)
        m_rangeChoice->Disable();
    if (m_choices.writerIndex >= 0 && m_choices.writerIndex < static_cast<int>(m_writers.size()))
        m_writerChoice->SetSelected(m_choices.writerIndex);
    if (m_writers.empty()) {
        m_writerChoice->Disable();
        GetButton(kBurnId)->Disable();
        m_stageText = MyLoadString("BD_NoWriterBody");
        Log("CMixBurner - no CD writer found");
    }
    ShowLayout();
}

CBurnDialog::~CBurnDialog() {
    KillTimer(kPollTimer);
    m_session.reset();
    m_burner.Close();
    KeepDisplayAwake(false);
}

CBurnLayout::Request CBurnDialog::RequestFor(bool forBurn) const {
    CBurnLayout::Request request = m_source.request;
    request.forBurn = forBurn;
    request.selection = m_source.hasSelection && m_choices.selectionOnly;
    if (forBurn)
        request.burnAsOne = m_choices.burnAsOne;
    return request;
}

void CBurnDialog::ShowLayout() {
    CBurnLayout preview;
    preview.PrepareBurn(RequestFor(false));
    m_layout = preview;
}

void CBurnDialog::KeepDisplayAwake(bool awake) {
    if (awake == m_keepingDisplayAwake)
        return;
    VRGuiWindow* window = GetWindow();
    if (!window || !window->GetHWND())
        return;
    window->GetHWND()->KeepDisplayAwake(awake);
    m_keepingDisplayAwake = awake;
}

void CBurnDialog::OnInitDialog() {
    FillSpeeds();
}

void CBurnDialog::FillSpeeds() {
    m_speeds.clear();
    const int index = m_writerChoice->GetSelected();
    if (index >= 0 && index < static_cast<int>(m_writers.size()) &&
        m_burner.Open(m_writers[static_cast<size_t>(index)].address)) {
        m_speeds = m_burner.Speeds();
        m_burner.Close();
    }
    std::vector<std::string> entries;
    for (const int speed : m_speeds)
        entries.push_back(std::to_string(speed) + "x");
    entries.push_back("Max");
    const int32_t left = m_speedChoice->GetX();
    const int32_t top = m_speedChoice->GetY();
    RemoveFocusable(m_speedChoice.get());
    m_speedChoice = std::make_unique<CDialogChoice>(kFieldWidth, entries);
    AddFocusable(m_speedChoice.get(), left, top);
    const auto chosen = std::find(m_speeds.begin(), m_speeds.end(), m_choices.speed);
    m_speedChoice->SetSelected(chosen == m_speeds.end()
                                   ? static_cast<int>(m_speeds.size())
                                   : static_cast<int>(chosen - m_speeds.begin()));
    Invalidate(nullptr);
}

void CBurnDialog::ReadChoices() {
    m_choices.writerIndex =
        m_writers.empty() ? m_choices.writerIndex : m_writerChoice->GetSelected();
    const int speed = m_speedChoice->GetSelected();
    m_choices.speed =
        speed < static_cast<int>(m_speeds.size()) ? m_speeds[static_cast<size_t>(speed)] : 255;
    m_choices.testMode = m_testMode->IsChecked();
    m_choices.cdText = m_cdText->IsChecked();
    m_choices.burnAsOne = m_oneTrack->IsChecked();
    m_choices.selectionOnly = m_source.hasSelection && m_rangeChoice->GetSelected() == 1;
}

bool CBurnDialog::IsBurning() const {
    return m_waitingForBlank ||
           (m_session && (m_session->GetStage() == CBurnSession::Stage::Rendering ||
                          m_session->GetStage() == CBurnSession::Stage::Burning));
}

void CBurnDialog::OnCommand(int id) {
    if (id == kBurnId) {
        if (!IsBurning())
            StartBurn();
        return;
    }
    if (id == IDCANCEL) {
        OnClose();
        return;
    }
    CBaseDialog::OnCommand(id);
}

void CBurnDialog::OnClose() {
    if (IsBurning()) {
        if (ShowMessage(Owner(), "BurnerAbortQuestionBody", MB_YESNO | MB_ICONQUESTION,
                        "BurnerAbortQuestion") != IDYES)
            return;
        m_waitingForBlank = false;
        if (m_session)
            m_session->Abort();
    }
    KeepDisplayAwake(false);
    ReadChoices();
    EndDialog(IDCANCEL);
}

void CBurnDialog::StartBurn() {
    ReadChoices();
    if (m_writers.empty())
        return;
    if (!PrepareWriter())
        return;
    KeepDisplayAwake(true);
    if (m_waitingForBlank) {
        SetStage(MyLoadString("WaitingForBlank"));
        SetControlsEnabled(false);
        StartTimer(kPollTimer, kPollMs);
        return;
    }
    StartSession();
}

bool CBurnDialog::PrepareWriter() {
    const CDiscBurner::Writer& writer = m_writers[static_cast<size_t>(m_choices.writerIndex)];
    if (!m_burner.Open(writer.address)) {
        SetStage(m_burner.LastError());
        ShowMessage(Owner(), "BurnerErrorBody", MB_OK | MB_ICONEXCLAMATION, "BurnerError");
        return false;
    }
    switch (m_burner.Disc()) {
    case CDiscBurner::DiscState::Blank:
        m_waitingForBlank = false;
        return true;
    case CDiscBurner::DiscState::NoDisc:
        m_waitingForBlank = true;
        return true;
    case CDiscBurner::DiscState::NotBlank:
    case CDiscBurner::DiscState::Unsuitable:
        break;
    }
    m_burner.Close();
    SetStage(MyLoadString("BurnerUsedCD"));
    ShowMessage(Owner(), "BurnerUsedCDBody", MB_OK | MB_ICONEXCLAMATION, "BurnerUsedCD");
    return false;
}

void CBurnDialog::StartSession() {
    m_waitingForBlank = false;
    CBurnLayout::Request request = RequestFor(true);
    request.capacityMs = m_burner.CapacityMs();
    m_layout.PrepareBurn(request);
    if (m_layout.TooShort()) {
        m_burner.Close();
        KeepDisplayAwake(false);
        ShowMessage(Owner(), "BD_LengthShortBody", MB_OK | MB_ICONEXCLAMATION,
                    "BD_LengthShortTitle");
        SetControlsEnabled(true);
        return;
    }
    CBurnSession::Settings settings;
    settings.albumTitle = m_source.albumTitle;
    settings.performer = m_source.performer;
    settings.simulate = m_choices.testMode;
    settings.cdText = m_choices.cdText;
    settings.speed = m_choices.speed == 255 ? 0 : m_choices.speed;
    m_session = std::make_unique<CBurnSession>(m_mixer, m_burner, m_source.tempFolder);
    SetControlsEnabled(false);
    if (!m_session->Begin(m_layout, settings)) {
        EndBurn(m_session->GetOutcome());
        return;
    }
    SetStage(MyLoadString("BD_StageConverting"));
    StartTimer(kPollTimer, kPollMs);
}

void CBurnDialog::OnTimer(uint32_t id) {
    if (id != kPollTimer)
        return CBaseDialog::OnTimer(id);
    if (m_waitingForBlank) {
        const CDiscBurner::DiscState disc = m_burner.Disc();
        if (disc == CDiscBurner::DiscState::Blank) {
            KillTimer(kPollTimer);
            StartSession();
        } else if (disc != CDiscBurner::DiscState::NoDisc) {
            KillTimer(kPollTimer);
            m_waitingForBlank = false;
            m_burner.Close();
            KeepDisplayAwake(false);
            SetControlsEnabled(true);
            SetStage(MyLoadString("BurnerUsedCD"));
            ShowMessage(Owner(), "BurnerUsedCDBody", MB_OK | MB_ICONEXCLAMATION, "BurnerUsedCD");
        }
        return;
    }
    PollSession();
}

void CBurnDialog::PollSession() {
    if (!m_session)
        return;
    const CBurnSession::Stage before = m_session->GetStage();
    m_session->Poll();
    m_progress = m_session->Progress();
    const CBurnSession::Stage stage = m_session->GetStage();
    if (stage == CBurnSession::Stage::Finished) {
        EndBurn(m_session->GetOutcome());
        return;
    }
    if (stage != before && stage == CBurnSession::Stage::Burning)
        SetStage(MyLoadString(m_choices.testMode ? "BD_StageTesting" : "BD_StageBurning"));
    Invalidate(nullptr);
}

void CBurnDialog::EndBurn(CBurnSession::Outcome outcome) {
    KillTimer(kPollTimer);
    m_lastOutcome = outcome;
    const std::string error = m_session ? m_session->Error() : std::string();
    m_burner.Close();
    KeepDisplayAwake(false);
    SetControlsEnabled(true);
    switch (outcome) {
    case CBurnSession::Outcome::Success:
        m_progress = 1.0;
        SetStage(MyLoadString("BurnerSuccess"));
        PlayEndSound(kSuccessSound);
        ShowMessage(Owner(), "BurnerSuccessBody", MB_OK | MB_ICONASTERISK, "BurnerSuccess");
        break;
    case CBurnSession::Outcome::TestSuccess:
        m_progress = 1.0;
        SetStage(MyLoadString("BurnerTestSuccess"));
        PlayEndSound(kSuccessSound);
        ShowMessage(Owner(), "BurnerTestSuccessBody", MB_OK | MB_ICONASTERISK, "BurnerTestSuccess");
        break;
    case CBurnSession::Outcome::FileError:
        SetStage(error);
        PlayEndSound(kFailureSound);
        ShowMessage(Owner(), "BurnerFileErrorBody", MB_OK | MB_ICONEXCLAMATION, "BurnerFileError");
        break;
    case CBurnSession::Outcome::BurnError:
        SetStage(error);
        PlayEndSound(kFailureSound);
        ShowFormattedMessage("BurnerError", "BD_ErrorReasonBody", MB_OK | MB_ICONEXCLAMATION,
                             MyLoadString("BurnerErrorBody"), error);
        break;
    case CBurnSession::Outcome::Cancelled:
    case CBurnSession::Outcome::None:
        SetStage("");
        break;
    }
}

void CBurnDialog::PlayEndSound(const char* item) {
    const CSkin* skin = CSkin::Current();
    const std::string path = skin ? skin->GetSoundFile(item) : std::string();
    if (path.empty()) {
        LogFmt("CMixBurner - the skin names no %s", item);
        return;
    }
    // A sound that cannot be played is logged there; the outcome is told anyway.
    m_mixer.PlayOneShot(path);
}

void CBurnDialog::SetStage(const std::string& text) {
    m_stageText = text;
    LogFmt("CMixBurner stage: %s", text.c_str());
    Invalidate(nullptr);
}

void CBurnDialog::SetControlsEnabled(bool enabled) {
    for (VRGuiObject* object : std::initializer_list<VRGuiObject*>{
             m_writerChoice.get(), m_speedChoice.get(), m_testMode.get(), m_cdText.get(),
             m_oneTrack.get(), m_rangeChoice.get(), GetButton(kBurnId)}) {
        if (enabled)
            object->Enable();
        else
            object->Disable();
        object->Invalidate(nullptr);
    }
    if (!m_source.hasSelection)
        m_rangeChoice->Disable();
}

void CBurnDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t color = DialogColor(kDialogTextItem);
    const auto label = [&](int row, const std::string& text, int32_t left, int32_t right) {
        const int32_t top = ContentTop() + row * kRow + 2;
        DrawDialogText(cr, text, {left, top, right, top + kRow - 4}, kDialogFont, color, false);
    };
    const int32_t fieldLeft = kMargin + kLabelWidth;
    label(0, MyLoadString("BD_Writer"), kMargin, fieldLeft);
    label(1, MyLoadString("BD_Speed"), kMargin, fieldLeft);
    label(6, MyLoadString("BD_Length"), kMargin, fieldLeft);
    label(6,
          LengthText(m_layout.Length()) + "  (" + std::to_string(m_layout.Tracks().size()) + " " +
              MyLoadString("BD_Tracks") + ")",
          fieldLeft, kWidth - kMargin);
    label(7, MyLoadString("BD_Stage"), kMargin, fieldLeft);
    label(7, m_stageText, fieldLeft, kWidth - kMargin);
    label(8, MyLoadString("BD_Progress"), kMargin, fieldLeft);
    // The progress bar: a frame, filled to the finished fraction.
    const GuiRect bar = ProgressBarRect();
    const double width = bar.right - bar.left;
    CImage::SetSourceColor(cr, color);
    cairo_rectangle(cr, bar.left + 0.5, bar.top + 0.5, width - 1, bar.bottom - bar.top - 1);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_rectangle(cr, bar.left + 2, bar.top + 2, (width - 4) * std::clamp(m_progress, 0.0, 1.0),
                    bar.bottom - bar.top - 4);
    cairo_fill(cr);
}

GuiRect CBurnDialog::ProgressBarRect() const {
    const int32_t top = ContentTop() + 8 * kRow + 4;
    return {kMargin + kLabelWidth, top, kWidth - kMargin, top + 15};
}
