// Whole-process runs of lumivo-cli against ImageMagick's convert and mogrify (<Case>/reference) and vips
// (<Case>/vips): each reads a 4000 x 3000 24-bit picture and writes its result in the same format, or turns
// a folder of 200 JPEGs of 1000 x 1000 into another folder.
#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::filesystem::path g_dir = std::filesystem::temp_directory_path() / "lumivo-bench-cli";

// A 4000 x 3000 picture with gradients and edges, so that no operation meets a flat image.
void MakeInputs()
{
    std::filesystem::create_directories(g_dir);
    if (std::filesystem::exists(g_dir / "in.png"))
        return;
    constexpr int W = 4000, H = 3000;
    FIBITMAP* p = FreeImage_Allocate(W, H, 24);
    for (int y = 0; y < H; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(p, y);
        for (int x = 0; x < W; ++x) {
            pLine[3 * x + 0] = BYTE(x * 255 / W);
            pLine[3 * x + 1] = BYTE(y * 255 / H);
            pLine[3 * x + 2] = BYTE(((x / 40 + y / 40) % 2) ? 200 : (x ^ y) & 0xFF);
        }
    }
    FreeImage_Save(FIF_BMP, p, (g_dir / "in.bmp").c_str(), 0);
    FreeImage_Save(FIF_PNG, p, (g_dir / "in.png").c_str(), 0);
    FreeImage_Unload(p);
    std::filesystem::create_directories(g_dir / "jpegs");
    FIBITMAP* pSmall = FreeImage_Allocate(1000, 1000, 24);
    for (int i = 0; i < 200; ++i) {
        for (int y = 0; y < 1000; ++y) {
            BYTE* pLine = FreeImage_GetScanLine(pSmall, y);
            for (int x = 0; x < 3000; ++x)
                pLine[x] = BYTE((x * 7 + y * 3 + i * 11) ^ (y >> 3));
        }
        const std::string name = "photo-" + std::to_string(1000 + i) + ".jpg";
        FreeImage_Save(FIF_JPEG, pSmall, (g_dir / "jpegs" / name).c_str(), JPEG_QUALITYGOOD);
    }
    FreeImage_Unload(pSmall);
    // vips' masks: a 3 x 3 box summing to 9 and a 3 x 3 structuring element.
    std::system(("printf '3 3 9 0\\n1 1 1\\n1 1 1\\n1 1 1\\n' > " + (g_dir / "box.mat").string()).c_str());
    std::system(
        ("printf '3 3\\n255 255 255\\n255 255 255\\n255 255 255\\n' > " + (g_dir / "erode.mat").string()).c_str());
}

// The same work for each program; %i is the input, %o the output, %d the folder of the masks. Empty: the
// program has no such operation.
struct SCase {
    const char* pszName;
    const char* pszLumivo;
    const char* pszMagick;
    const char* pszVips;
};
const SCase kCases[] = {
    {"BoxBlur3x3", "-x blur", "-statistic Mean 3x3", "conv %i %o %d/box.mat --precision integer"},
    {"Median7x7", "-x median:aperture-x=7,aperture-y=7,anchor-x=3,anchor-y=3", "-statistic Median 7x7",
     "rank %i %o 7 7 24"},
    {"Rotate30", "-x rotate:angle=30,interpolation=linear", "-rotate 30", "rotate %i %o 30"},
    {"Equalise", "-x equalize-histogram", "-equalize", "hist_equal %i %o"},
    {"ResizeHalf", "-x resize:destination-x=1,source-x=2,destination-y=1,source-y=2,interpolation=linear",
     "-resize 50%", "resize %i %o 0.5"},
    {"Erode3x3", "-x erode", "-morphology Erode Square:1", "morph %i %o %d/erode.mat erode"},
    {"Twirl", "-x twirl", "-swirl 90", ""},
    {"Grey", "-x to-grey", "-colorspace Gray", "colourspace %i %o b-w"},
};

std::string Replace(std::string str, const std::string& key, const std::string& value)
{
    for (size_t n; (n = str.find(key)) != std::string::npos;)
        str.replace(n, key.size(), value);
    return str;
}

void RunCommand(benchmark::State& state, const std::string& strCommand)
{
    for (auto _ : state)
        if (std::system((strCommand + " 2>/dev/null").c_str()) != 0) {
            state.SkipWithError(("failed: " + strCommand).c_str());
            break;
        }
}

void Register()
{
    for (const char* pszExt : {"bmp", "png"}) {
        const std::string in = (g_dir / (std::string("in.") + pszExt)).string();
        const std::string out = (g_dir / (std::string("out.") + pszExt)).string();
        const std::string suffix = std::string(pszExt) == "bmp" ? "Bmp" : "Png";
        for (const SCase& c : kCases) {
            const std::string name = std::string(c.pszName) + suffix;
            const std::string lumivo = std::string(LUMIVO_CLI) + " " + in + " -o " + out + " " + c.pszLumivo;
            const std::string magick = "/usr/bin/convert " + in + " " + c.pszMagick + " " + out;
            benchmark::RegisterBenchmark((name + "/lumivo").c_str(), RunCommand, lumivo)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark((name + "/reference").c_str(), RunCommand, magick)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            if (*c.pszVips) {
                const std::string vips =
                    "vips " + Replace(Replace(Replace(c.pszVips, "%i", in), "%o", out), "%d", g_dir.string());
                benchmark::RegisterBenchmark((name + "/vips").c_str(), RunCommand, vips)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
    }
}

// The folder cases: every JPEG of jpegs/ into out/ (cleared before each run).
void RegisterFolders()
{
    const std::string in = (g_dir / "jpegs").string(), out = (g_dir / "out").string();
    const std::string clear = "rm -rf " + out + " && mkdir -p " + out + " && ";
    const auto add = [](const std::string& name, const std::string& command) {
        benchmark::RegisterBenchmark(name.c_str(), RunCommand, command)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    add("ResizeHalfJpegFolder/lumivo",
        clear + LUMIVO_CLI + " " + in + "/*.jpg -d " + out +
            " -x resize:destination-x=1,source-x=2,destination-y=1,source-y=2,interpolation=linear");
    add("ResizeHalfJpegFolder/reference", clear + "/usr/bin/mogrify -path " + out + " -resize 50% " + in + "/*.jpg");
    add("ResizeHalfJpegFolder/vips", clear + "vipsthumbnail " + in + "/*.jpg -s 500x500 -o " + out + "/%s.jpg");
    add("GreyJpegFolder/lumivo", clear + LUMIVO_CLI + " " + in + "/*.jpg -d " + out + " -x to-grey");
    add("GreyJpegFolder/reference", clear + "/usr/bin/mogrify -path " + out + " -colorspace Gray " + in + "/*.jpg");
}

} // namespace

int main(int argc, char** argv)
{
    MakeInputs();
    Register();
    RegisterFolders();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
