#include "gui/CSkin.h"
#include "gui/CImage.h"
#include "support/Paths.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string TmpPath(const std::string& name) {
    CreateMultiLevelDir(LOOMTONE_TEST_TMP);
    return std::string(LOOMTONE_TEST_TMP) + "/" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool IsDefaultGradient(const SkinItem& item) {
    return item.type == SkinItem::kGradient && item.layers.size() == 1 &&
           item.layers[0].startColor == 0xF09D66 && item.layers[0].extras.size() == 4;
}

// A skin whose image files live in the test's folder.
CSkin SkinOf(const std::string& text) {
    CSkin skin;
    skin.InitFromMemory(text, std::string(LOOMTONE_TEST_TMP) + "/");
    return skin;
}

// A gray JPEG of the size, encoded with libjpeg.
std::string EncodeJpeg(int width, int height) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3, 0x80);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    free(buffer);
    return bytes;
}

} // namespace

TEST(Skin, AliasChainsLongerThanTheLimitAndCirclesEndInTheDefaultGradient) {
    std::string text;
    for (int i = 1; i <= 11; ++i)
        text += "[a" + std::to_string(i) + "]\nuse = a" + std::to_string(i + 1) + "\n";
    text += "[a12]\nsolid color.r = 1\nsolid color.g = 2\nsolid color.b = 3\n";
    text += "[loop1]\nuse = loop2\n[loop2]\nuse = loop1\n[self]\nuse = self\n";
    const CSkin skin = SkinOf(text);
    SkinItem item;
    EXPECT_TRUE(skin.GetItem("a1", item));
    EXPECT_TRUE(IsDefaultGradient(item));
    // Ten levels deep is still allowed.
    EXPECT_TRUE(skin.GetItem("a3", item));
    EXPECT_EQ(item.type, SkinItem::kSolidColor);
    EXPECT_EQ(item.color, 0x030201u);
    for (const char* name : {"loop1", "self"}) {
        EXPECT_TRUE(skin.GetItem(name, item));
        EXPECT_TRUE(IsDefaultGradient(item)) << name;
    }
    EXPECT_FALSE(skin.GetItem("", item));
}

TEST(Skin, InvalidSolidColourFallsThroughToTheNextKind) {
    const CSkin skin =
        SkinOf("[img]\nsolid color.r = 1\nsolid color.g = 256\nsolid color.b = 3\n"
               "image fn = x.png\n"
               "[res]\nsolid color.r = 1\nsolid color.g = -1\nsolid color.b = 3\n"
               "image res ID = 2\n"
               "[partial]\nsolid color.r = 1\nsolid color.g = 2\n"
               "[text]\nsolid color.r = red\nsolid color.g = 2\nsolid color.b = 3\n");
    SkinItem item;
    skin.GetItem("img", item);
    EXPECT_EQ(item.type, SkinItem::kImageFile);
    EXPECT_EQ(item.fileName, "x.png");
    skin.GetItem("res", item);
    EXPECT_EQ(item.type, SkinItem::kImageResource);
    EXPECT_EQ(item.resourceId, 2);
    for (const char* name : {"partial", "text", "unknown"}) {
        skin.GetItem(name, item);
        EXPECT_TRUE(IsDefaultGradient(item)) << name;
    }
    EXPECT_EQ(skin.GetColor("partial"), SkinItem::kFreshColor);
}

TEST(Skin, ReadsGradientsAndRefusesBrokenOnes) {
    const std::string layer = "Start.R.1 = 10\nStart.G.1 = 20\nstart.B.1 = 30\n"
                              "End.R.1 = 40\nEnd.G.1 = 50\nEnd.B.1 = 60\n";
    const CSkin skin =
        SkinOf("[good]\nNum Layers = 1\nOpacity.1 = -5\n" + layer +
               "Num Extra Colors.1 = 1\nExtra.R.1.1 = 1\nExtra.G.1.1 = 2\nExtra.B.1.1 = 3\n"
               "Extra Location.1.1 = 500\n"
               "[zero]\nNum Layers = 0\n" +
               layer + "[word]\nNum Layers = one\n" + layer + "[short]\nNum Layers = 2\n" + layer +
               "[nostartb]\nNum Layers = 1\nStart.R.1 = 1\nStart.G.1 = 1\n"
               "End.R.1 = 1\nEnd.G.1 = 1\nEnd.B.1 = 1\n"
               "[badstyle]\nNum Layers = 1\nStyle.1 = up\n" +
               layer + "[missingextra]\nNum Layers = 1\n" + layer + "Num Extra Colors.1 = 2\n");
    SkinItem item;
    skin.GetItem("good", item);
    ASSERT_EQ(item.type, SkinItem::kGradient);
    ASSERT_EQ(item.layers.size(), 1u);
    EXPECT_EQ(item.layers[0].opacity, 0);
    EXPECT_EQ(item.layers[0].style, 20);
    EXPECT_EQ(item.layers[0].startColor, 0x1E140Au);
    EXPECT_EQ(item.layers[0].endColor, 0x3C3228u);
    ASSERT_EQ(item.layers[0].extras.size(), 1u);
    EXPECT_EQ(item.layers[0].extras[0].color, 0x030201u);
    EXPECT_EQ(item.layers[0].extras[0].location, 500);
    for (const char* name : {"zero", "word", "short", "nostartb", "badstyle", "missingextra"}) {
        skin.GetItem(name, item);
        EXPECT_TRUE(IsDefaultGradient(item)) << name;
    }
}

TEST(Skin, RendersColoursAndGradientsAtTheRequestedSize) {
    const CSkin skin = SkinOf("[red]\nsolid color.r = 255\nsolid color.g = 0\nsolid color.b = 0\n"
                              "[fade]\nNum Layers = 1\nStyle.1 = 2\nStart.R.1 = 0\n"
                              "Start.G.1 = 0\nstart.B.1 = 0\nEnd.R.1 = 255\nEnd.G.1 = 255\n"
                              "End.B.1 = 255\n");
    CImage image;
    const SkinSize size{8, 100};
    ASSERT_TRUE(skin.LoadSkinImage("red", image, &size));
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(image.PixelAt(7, 99), 0xFFFF0000u);
    ASSERT_TRUE(skin.LoadSkinImage("fade", image, &size));
    // A vertical blend: dark at the top, light at the bottom, equal across.
    EXPECT_LT(image.PixelAt(0, 0) & 0xFF, 10u);
    EXPECT_GT(image.PixelAt(0, 99) & 0xFF, 245u);
    EXPECT_EQ(image.PixelAt(0, 50), image.PixelAt(7, 50));
    CImage unsized;
    EXPECT_FALSE(skin.LoadSkinImage("red", unsized, nullptr));
}

TEST(Skin, TilesFromTheTopLeftAndClipsTheLastTiles) {
    // A 30 x 20 tile, green with a red top-left pixel and a blue bottom-right one.
    CImage tile;
    ASSERT_TRUE(tile.SetSize(30, 20));
    tile.ClearToColor(0x00FF00);
    cairo_t* cr = cairo_create(tile.Surface());
    CImage::SetSourceColor(cr, 0x0000FF);
    cairo_rectangle(cr, 0, 0, 1, 1);
    cairo_fill(cr);
    CImage::SetSourceColor(cr, 0xFF0000);
    cairo_rectangle(cr, 29, 19, 1, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(tile.SaveAs(TmpPath("tile.png")));

    const CSkin skin = SkinOf("[floor]\ntiled fn = tile.png\n");
    SkinItem item;
    skin.GetItem("floor", item);
    EXPECT_EQ(item.type, SkinItem::kTiledImageFile);
    CImage image;
    const SkinSize size{100, 50};
    ASSERT_TRUE(skin.RenderItem(item, image, &size));
    ASSERT_EQ(image.Width(), 100);
    ASSERT_EQ(image.Height(), 50);
    for (int x : {0, 30, 60, 90})
        for (int y : {0, 20, 40})
            EXPECT_EQ(image.PixelAt(x, y), 0xFFFF0000u) << x << "," << y;
    // Whole tiles end with their blue corner; the clipped last ones do not reach it.
    for (int x : {29, 59, 89})
        for (int y : {19, 39})
            EXPECT_EQ(image.PixelAt(x, y), 0xFF0000FFu) << x << "," << y;
    EXPECT_EQ(image.PixelAt(99, 49), 0xFF00FF00u);
    EXPECT_EQ(image.PixelAt(99, 19), 0xFF00FF00u);

    CImage natural;
    ASSERT_TRUE(skin.RenderItem(item, natural, nullptr));
    EXPECT_EQ(natural.Width(), 30);
}

TEST(Skin, MissingOrHostileFilesFailToRender) {
    WriteFile(TmpPath("junk.png"), "\x89PNG\r\n\x1a\n\0\0\0\rIHDR garbage");
    const CSkin skin = SkinOf("[gone]\nimage fn = nowhere.png\n[junk]\ntiled fn = junk.png\n"
                              "[nores]\nimage res ID = 999\n");
    CImage image;
    const SkinSize size{10, 10};
    for (const char* name : {"gone", "junk", "nores"})
        EXPECT_FALSE(skin.LoadSkinImage(name, image, &size)) << name;
    EXPECT_FALSE(image.IsValid());
}

TEST(Skin, AFifoNamedAsAnImageIsRefusedWithoutWaiting) {
    const std::string fifo = TmpPath("pipe.png");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const CSkin skin = SkinOf("[pipe]\nimage fn = pipe.png\n[tiles]\ntiled fn = pipe.png\n");
    CImage image;
    const SkinSize size{10, 10};
    // Opening a FIFO for reading would wait for a writer for ever.
    EXPECT_FALSE(skin.LoadSkinImage("pipe", image, &size));
    EXPECT_FALSE(skin.LoadSkinImage("tiles", image, &size));
    EXPECT_FALSE(image.Open(fifo));
    std::remove(fifo.c_str());
}

TEST(Skin, ImageFilesShareOneBudgetAndEachCountsOnce) {
    CImage picture;
    ASSERT_TRUE(picture.SetSize(64, 64));
    for (const char* name : {"budget-a.png", "budget-b.png", "budget-c.png"})
        ASSERT_TRUE(picture.SaveAs(TmpPath(name)));
    CSkin skin = SkinOf("[a]\nimage fn = budget-a.png\n[b]\ntiled fn = budget-b.png\n"
                        "[c]\nimage fn = budget-c.png\n");
    // Room for two pictures of 64 x 64 pixels.
    skin.SetImageBudget(2 * 64 * 64 * 4);
    CImage image;
    const SkinSize size{10, 10};
    EXPECT_TRUE(skin.LoadSkinImage("a", image, &size));
    EXPECT_TRUE(skin.LoadSkinImage("b", image, &size));
    EXPECT_FALSE(skin.LoadSkinImage("c", image, &size));
    // What was opened before opens again: it is counted already.
    EXPECT_TRUE(skin.LoadSkinImage("a", image, nullptr));
    EXPECT_TRUE(skin.LoadSkinImage("b", image, &size));
}

TEST(Skin, SurvivesABinaryIniFile) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += char((i * 7919) & 0xFF);
    WriteFile(TmpPath("binary.ini"), bytes + "\n[x]\nuse = x\n");
    CSkin skin;
    ASSERT_TRUE(skin.Init(TmpPath("binary.ini")));
    SkinItem item;
    EXPECT_TRUE(skin.GetItem("x", item));
    EXPECT_TRUE(IsDefaultGradient(item));
}

TEST(Image, RefusesHostilePngAndJpegFiles) {
    CImage image;
    // A PNG header claiming a picture far too large to allocate.
    std::string huge(
        "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\x00\x01\x86\xa0\x00\x01\x86\xa0\x08\x06\0\0\0", 29);
    WriteFile(TmpPath("huge.png"), huge + std::string(64, '\0'));
    EXPECT_FALSE(image.Open(TmpPath("huge.png")));

    CImage good;
    ASSERT_TRUE(good.SetSize(40, 30));
    ASSERT_TRUE(good.SaveAs(TmpPath("good.png")));
    const std::string png = ReadFile(TmpPath("good.png"));
    WriteFile(TmpPath("cut.png"), png.substr(0, png.size() / 2));
    EXPECT_FALSE(image.Open(TmpPath("cut.png")));

    const std::string jpeg = EncodeJpeg(64, 48);
    WriteFile(TmpPath("good.jpg"), jpeg);
    ASSERT_TRUE(image.Open(TmpPath("good.jpg")));
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(image.BitsPerPixel(), 24);
    EXPECT_EQ(image.PixelAt(10, 10) & 0xFFFFFFu, 0x808080u);

    WriteFile(TmpPath("cut.jpg"), jpeg.substr(0, 200));
    CImage cut;
    EXPECT_FALSE(cut.Open(TmpPath("cut.jpg")));
    WriteFile(TmpPath("noise.jpg"), "\xFF\xD8\xFF" + std::string(500, '\x55'));
    EXPECT_FALSE(cut.Open(TmpPath("noise.jpg")));
    EXPECT_FALSE(cut.Open(TmpPath("missing.jpg")));
    EXPECT_FALSE(cut.Open(TmpPath("")));
}

TEST(Image, ScalesCropsAndTints) {
    CImage image;
    ASSERT_TRUE(image.SetSize(40, 20));
    image.ClearToColor(0x0000FF);        // red
    image.MoveTowardColor(0xFF0000, 50); // halfway to blue
    EXPECT_EQ(image.PixelAt(0, 0), 0xFF80007Fu);
    ASSERT_TRUE(image.Crop({10, 5, 30, 15}));
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), 10);
    ASSERT_TRUE(image.Scale(5, 100));
    EXPECT_EQ(image.Height(), 100);
    EXPECT_EQ(image.PixelAt(4, 99), 0xFF80007Fu);
    EXPECT_FALSE(image.Scale(0, 10));
    EXPECT_FALSE(image.Crop({100, 100, 200, 200}));
}

// Every item the shipped skin names must give a picture, and every file it names must open.
TEST(ShippedSkin, EveryItemRenders) {
    CSkin skin;
    ASSERT_TRUE(skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
    const std::vector<std::string> names = skin.GetReader().GetSectionNames();
    ASSERT_GT(names.size(), 300u);
    for (const std::string& name : names) {
        // A sound is not a look: its file must be there.
        if (const std::string sound = skin.GetSoundFile(name); !sound.empty()) {
            EXPECT_TRUE(DoesFileExist(sound)) << name;
            continue;
        }
        SkinItem item;
        ASSERT_TRUE(skin.GetItem(name, item)) << name;
        EXPECT_FALSE(IsDefaultGradient(item)) << name << " falls back to the default";
        CImage image;
        const SkinSize size{24, 16};
        EXPECT_TRUE(skin.RenderItem(item, image, &size)) << name;
        if (item.type == SkinItem::kImageFile || item.type == SkinItem::kTiledImageFile) {
            EXPECT_TRUE(DoesFileExist(item.fileName)) << name;
            CImage natural;
            EXPECT_TRUE(skin.RenderItem(item, natural, nullptr)) << name;
        }
    }
}

TEST(CSkinSounds, AnItemNamesASoundFileFoundLikeAnImageFile) {
    WriteFile(TmpPath("skin-chime.wav"), "RIFF");
    const CSkin skin =
        SkinOf("[done]\nsound fn = skin-chime.wav\n"
               "[elsewhere]\nsound fn = /no/such/folder/chime.wav\n"
               "[alias]\nuse = done\n"
               "[circle]\nuse = circle\n"
               "[colour]\nsolid color.r = 1\nsolid color.g = 2\nsolid color.b = 3\n");
    EXPECT_EQ(skin.GetSoundFile("done"), std::string(LOOMTONE_TEST_TMP) + "/skin-chime.wav");
    EXPECT_EQ(skin.GetSoundFile("alias"), skin.GetSoundFile("done"));
    // Not in the skin's folder: as written, for the player to refuse with a reason.
    EXPECT_EQ(skin.GetSoundFile("elsewhere"), "/no/such/folder/chime.wav");
    EXPECT_EQ(skin.GetSoundFile("circle"), "");
    EXPECT_EQ(skin.GetSoundFile("colour"), "");
    EXPECT_EQ(skin.GetSoundFile("unknown"), "");
    EXPECT_EQ(skin.GetSoundFile(""), "");
}

TEST(ShippedSkin, NamesTheBurnerSounds) {
    CSkin skin;
    ASSERT_TRUE(skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
    for (const char* name : {"BurnerSuccessSound", "BurnerFailureSound"}) {
        const std::string path = skin.GetSoundFile(name);
        EXPECT_TRUE(DoesFileExist(path)) << name << ": " << path;
    }
    EXPECT_NE(ReadFile(skin.GetSoundFile("BurnerSuccessSound")),
              ReadFile(skin.GetSoundFile("BurnerFailureSound")));
}
