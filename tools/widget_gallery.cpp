// The widget gallery: every widget of the toolkit in one window.
//
//   widget_gallery --png DIR             draws the gallery, an open menu, an open
//                                        list and each dialog into PNG files, headless
//   widget_gallery --replay SCRIPT OUT   plays a script of input headless, saves OUT
//   widget_gallery [--window]            opens the gallery on screen
//
// A script has one action per line: "click X Y", "move X Y", "type TEXT" or
// "key NAME" (Return, Escape, Tab, BackSpace, Delete, Home, End, Left, Right,
// Up, Down). The virtual-display test plays the same script on the real window.

#include "CWidgetGallery.h"

#include "gui/COffscreenGuiHost.h"
#include "gui/CSdlGuiHost.h"
#include "gui/CSkin.h"
#include "gui/GuiEditDrop.h"
#include "gui/GuiFonts.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenuBar.h"
#include "gui/MessageBoxes.h"
#include "support/LocalizedStrings.h"
#include "support/Paths.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// The data folder is copied next to the program's executable, one level up
// from the tools folder of a build.
std::string FindDataFolder() {
    const std::string exe = GetExeDirectory();
    for (const std::string& folder : {exe, exe + "/..", exe + "/../data"}) {
        if (DoesFileExist(folder + "/loomskin.ini"))
            return folder;
    }
    return {};
}

bool LoadLook(CSkin& skin) {
    const std::string data = FindDataFolder();
    if (data.empty() || !skin.Init(data + "/loomskin.ini") ||
        !SetStringFile(data + "/loomstrings.ini")) {
        std::fprintf(stderr, "widget_gallery: cannot find loomskin.ini and loomstrings.ini\n");
        return false;
    }
    CSkin::SetCurrent(&skin);
    return true;
}

int32_t KeyCode(const std::string& name) {
    static const std::map<std::string, int32_t> keys = {
        {"Return", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},  {"BackSpace", VK_BACK},
        {"Delete", VK_DELETE}, {"Home", VK_HOME},     {"End", VK_END},  {"Left", VK_LEFT},
        {"Right", VK_RIGHT},   {"Up", VK_UP},         {"Down", VK_DOWN}};
    const auto it = keys.find(name);
    return it == keys.end() ? 0 : it->second;
}

// Presses and releases a key, as a keyboard would, with the text it types.
void TypeCharacter(COffscreenGuiHost& host, const std::string& character) {
    const unsigned char first = static_cast<unsigned char>(character[0]);
    const int32_t key = (first >= 'a' && first <= 'z') ? first - 'a' + 'A' : first;
    host.KeyDown(key);
    host.Text(character);
    host.KeyUp(key);
}

void TypeText(COffscreenGuiHost& host, const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        while (i + length < text.size() && (text[i + length] & 0xC0) == 0x80)
            ++length;
        TypeCharacter(host, text.substr(i, length));
        i += length;
    }
}

bool PlayLine(COffscreenGuiHost& host, const std::string& line) {
    std::istringstream in(line);
    std::string action;
    in >> action;
    int32_t x = 0;
    int32_t y = 0;
    if (action == "click" && (in >> x >> y)) {
        host.MouseMove(x, y);
        host.LeftDown(x, y);
        host.LeftUp(x, y);
    } else if (action == "move" && (in >> x >> y)) {
        host.MouseMove(x, y);
    } else if (action == "type") {
        std::string text;
        std::getline(in >> std::ws, text);
        TypeText(host, text);
    } else if (action == "key") {
        std::string name;
        in >> name;
        const int32_t key = KeyCode(name);
        if (key == 0)
            return false;
        host.KeyDown(key);
        host.KeyUp(key);
    } else {
        return action.empty();
    }
    host.Advance(CWidgetGallery::kRefreshPeriodMs);
    return true;
}

int Replay(const std::string& scriptPath, const std::string& out) {
    std::ifstream script(scriptPath);
    if (!script) {
        std::fprintf(stderr, "widget_gallery: cannot read %s\n", scriptPath.c_str());
        return 1;
    }
    COffscreenGuiHost host;
    CWidgetGallery gallery;
    if (!gallery.Initialize(&host, CWidgetGallery::kWidth, CWidgetGallery::kHeight))
        return 1;
    gallery.Build();
    host.Advance(CWidgetGallery::kRefreshPeriodMs);
    std::string line;
    while (std::getline(script, line)) {
        if (!PlayLine(host, line)) {
            std::fprintf(stderr, "widget_gallery: cannot play \"%s\"\n", line.c_str());
            return 1;
        }
    }
    host.Advance(CWidgetGallery::kRefreshPeriodMs);
    return host.SaveScreenPng(out) ? 0 : 1;
}

// Opens something modal by a click and saves the picture once it shows.
bool Snapshot(COffscreenGuiHost& host, GuiPoint click, const std::string& keysBefore,
              const std::string& path) {
    bool saved = false;
    int step = 0;
    host.SetModalDriver([&](COffscreenGuiHost& h, int) {
        if (step < static_cast<int>(keysBefore.size())) {
            const char code = keysBefore[step++];
            const int32_t key = code == 'd' ? VK_DOWN : code == 'r' ? VK_RIGHT : VK_RETURN;
            h.KeyDown(key);
            h.KeyUp(key);
            return;
        }
        h.Advance(CWidgetGallery::kRefreshPeriodMs);
        saved = saved || h.SaveScreenPng(path);
        h.KeyDown(VK_ESCAPE);
        h.KeyUp(VK_ESCAPE);
    });
    host.MouseMove(click.x, click.y);
    host.LeftDown(click.x, click.y);
    host.LeftUp(click.x, click.y);
    host.SetModalDriver(nullptr);
    host.Advance(CWidgetGallery::kRefreshPeriodMs);
    if (!saved)
        std::fprintf(stderr, "widget_gallery: %s was not drawn\n", path.c_str());
    return saved;
}

int DrawPictures(const std::string& folder) {
    COffscreenGuiHost host;
    CWidgetGallery gallery;
    if (!gallery.Initialize(&host, CWidgetGallery::kWidth, CWidgetGallery::kHeight))
        return 1;
    SetMainWindow(&gallery);
    gallery.Build();
    host.Advance(CWidgetGallery::kRefreshPeriodMs);
    bool ok = host.SaveScreenPng(folder + "/gallery.png");
    const GuiRect file = gallery.MenuBar().TitleRect(0);
    // Down to "Recent Projects", Right opens its sub-menu.
    ok &= Snapshot(host, {file.left + 4, file.top + 4}, "ddddr", folder + "/menu.png");
    const GuiRect drop = gallery.EditDrop().ButtonRect();
    ok &= Snapshot(host,
                   {gallery.EditDrop().GetAbsX() + drop.left + drop.Width() / 2,
                    gallery.EditDrop().GetAbsY() + drop.top + drop.Height() / 2},
                   "", folder + "/dropdown.png");
    const char* dialogs[] = {"messagebox", "filedialog", "progress", "valueentry", "colour"};
    for (int i = 0; i < 5; ++i)
        ok &= Snapshot(host, CWidgetGallery::DialogButtonCentre(i), "",
                       folder + "/" + dialogs[i] + ".png");
    SetMainWindow(nullptr);
    return ok ? 0 : 1;
}

int OpenWindow() {
    CSdlGuiHost host("Loomtone Widget Gallery");
    CWidgetGallery gallery;
    if (!gallery.Initialize(&host, CWidgetGallery::kWidth, CWidgetGallery::kHeight)) {
        std::fprintf(stderr, "widget_gallery: cannot open a window\n");
        return 1;
    }
    SetMainWindow(&gallery);
    gallery.Build();
    host.Run();
    SetMainWindow(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CSkin skin;
    if (!LoadLook(skin))
        return 1;
    const std::string mode = argc > 1 ? argv[1] : "--window";
    int status = 2;
    if (mode == "--png" && argc == 3)
        status = DrawPictures(argv[2]);
    else if (mode == "--replay" && argc == 4)
        status = Replay(argv[2], argv[3]);
    else if (mode == "--window" && argc <= 2)
        status = OpenWindow();
    else
        std::fprintf(stderr,
                     "usage: widget_gallery [--window | --png DIR | --replay SCRIPT OUT]\n");
    CSkin::SetCurrent(nullptr);
    ReleaseFontCaches();
    return status;
}
