// The encoder beside libjpeg-turbo's cjpeg: time, file size and fidelity for a 1024x768 and a
// 4000x3000 photo at quality 88, 4:2:0, float DCT, optimised Huffman tables.
//
// Both encoders get the same pixels: a sample photo scaled to the size by the device-context
// layer's halftone stretch. cJpeg samples the picture from its device context and saves the file
// (SampleHDC + SaveFile, the photo job's path); cjpeg (from libjpeg-turbo-progs) reads the same
// pixels from a PPM file, as a process of its own, once with its own quality 88 tables and once
// with cJpeg's tables (-qtables), which round differently. Every output is decoded by libjpeg-turbo
// and compared with the source. The last runs time the two halves of cJpeg on their own.
//
// The size-limit runs encode every bundled sample photo at its own size, once plainly and once
// under limits of 70 %, 40 % and 15 % of its plain file, and give the cost of a limit in plain
// encodes (the target is at most 3 on average).
//
// After the runs a table gives the sizes, PSNR and times side by side with the targets: size at
// most 1.03 times cjpeg's, PSNR at most 0.2 dB lower, time at most 1.5 times cjpeg's.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "encoder/cjpeg.h"
#include "encoder/jpeg_file_writer.h"
#include "encoder/quantization_tables.h"
#include "encoder/sampling.h"
#include "support/test_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kQuality = 88;

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

RgbImage decodeJpeg(const std::vector<std::uint8_t>& bytes) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  RgbImage image{static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), {}};
  image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.rgb.data() + std::size_t{cinfo.output_scanline} * image.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return image;
}

// A 32-bit top-down picture in a memory device context, as the engine keeps one.
class DcPicture {
 public:
  DcPicture(int width, int height) : width_(width), height_(height) {
    dc_ = gdi::CreateCompatibleDC(nullptr);
    gdi::BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits);
    bits_ = static_cast<std::uint8_t*>(bits);
    previous_ = gdi::SelectObject(dc_, bitmap_);
  }
  explicit DcPicture(const RgbImage& image) : DcPicture(image.width, image.height) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(width_) * height_; ++i)
      bits_[i * 4] = image.rgb[i * 3 + 2], bits_[i * 4 + 1] = image.rgb[i * 3 + 1],
                bits_[i * 4 + 2] = image.rgb[i * 3];
  }
  ~DcPicture() {
    gdi::SelectObject(dc_, previous_);
    gdi::DeleteObject(bitmap_);
    gdi::DeleteDC(dc_);
  }
  DcPicture(const DcPicture&) = delete;
  DcPicture& operator=(const DcPicture&) = delete;

  gdi::HDC dc() const { return dc_; }
  RgbImage rgb() const {
    RgbImage image{width_, height_, {}};
    for (std::size_t i = 0; i < static_cast<std::size_t>(width_) * height_; ++i)
      image.rgb.insert(image.rgb.end(), {bits_[i * 4 + 2], bits_[i * 4 + 1], bits_[i * 4]});
    return image;
  }

 private:
  int width_, height_;
  gdi::HDC dc_ = nullptr;
  gdi::HBITMAP bitmap_ = nullptr;
  gdi::HGDIOBJ previous_ = nullptr;
  std::uint8_t* bits_ = nullptr;
};

// The phone photo of the samples (3264x2448, 4:3), scaled to the size by a halftone stretch.
const RgbImage& photoAt(int width, int height) {
  static std::map<std::pair<int, int>, RgbImage> photos;
  RgbImage& photo = photos[{width, height}];
  if (photo.rgb.empty()) {
    RgbImage source =
        decodeJpeg(testing_support::readBytes(testing_support::samplePhoto("cameras/jolla.jpg")));
    DcPicture from(source), to(width, height);
    gdi::SetStretchBltMode(to.dc(), gdi::HALFTONE);
    gdi::StretchBlt(to.dc(), 0, 0, width, height, from.dc(), 0, 0, source.width, source.height, gdi::SRCCOPY);
    photo = to.rgb();
  }
  return photo;
}

// Output goes to memory-backed storage when there is some, so that both encoders pay the same
// small price for their file.
const fs::path& workFolder() {
  static const fs::path folder = [] {
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path dir = base / ("lumivex-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
  }();
  return folder;
}

double psnr(const RgbImage& a, const RgbImage& b) {
  if (a.rgb.size() != b.rgb.size()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    double d = static_cast<double>(a.rgb[i]) - static_cast<double>(b.rgb[i]);
    sum += d * d;
  }
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.rgb.size()) / sum);
}

struct Outcome {
  double seconds = 0;     // mean real time per encode
  double cpuSeconds = 0;  // mean processor time per encode (user and system)
  std::size_t bytes = 0;
  double psnr = 0;
};
// Case name ("1024x768") -> encoder name -> outcome.
std::map<std::string, std::map<std::string, Outcome>> outcomes;

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

std::string caseName(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

void record(benchmark::State& state, const std::string& encoder, int width, int height,
            const fs::path& file) {
  std::vector<std::uint8_t> bytes = testing_support::readBytes(file.string());
  Outcome& o = outcomes[caseName(width, height)][encoder];
  o.bytes = bytes.size();
  o.psnr = psnr(photoAt(width, height), decodeJpeg(bytes));
  state.counters["bytes"] = static_cast<double>(o.bytes);
  state.counters["psnr_dB"] = o.psnr;
}

void BM_cJpeg(benchmark::State& state, int width, int height) {
  DcPicture picture(photoAt(width, height));
  const fs::path file = workFolder() / ("cjpeg-class-" + caseName(width, height) + ".jpg");
  auto started = std::chrono::steady_clock::now();
  double cpuStarted = processCpuSeconds();
  for (auto _ : state) {
    fs::remove(file);
    lumivex::cJpeg encoder;
    encoder.setQuality(kQuality);
    encoder.SampleHDC(picture.dc(), width, height, 0, 0);
    if (encoder.SaveFile(file.string()) != 0) state.SkipWithError("SaveFile failed");
  }
  std::chrono::duration<double> total = std::chrono::steady_clock::now() - started;
  double cpu = processCpuSeconds() - cpuStarted;
  record(state, "cJpeg", width, height, file);
  Outcome& o = outcomes[caseName(width, height)]["cJpeg"];
  o.seconds = total.count() / static_cast<double>(state.iterations());
  o.cpuSeconds = cpu / static_cast<double>(state.iterations());
}

void writePpm(const RgbImage& image, const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.width << " " << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
}

// cJpeg's quantization tables at the benchmark quality, in the natural order cjpeg -qtables reads.
fs::path writeQuantTables() {
  fs::path path = workFolder() / "tables.txt";
  std::ofstream out(path);
  for (const auto* base : {&lumivex::kLuminanceBase, &lumivex::kChrominanceBase}) {
    lumivex::QuantTable table;
    lumivex::ScaleQuantTable(*base, lumivex::qualityScaleFactor(kQuality), table);
    for (int n = 0; n < 64; ++n) out << table.Entries[lumivex::kZigZag[n]] << (n % 8 == 7 ? "\n" : " ");
    out << "\n";
  }
  return path;
}

// Runs the command to its end; adds the processor time it took to `cpu`.
bool run(const std::vector<std::string>& arguments, double& cpu) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_cjpegTool(benchmark::State& state, int width, int height, bool ourTables) {
  const std::string name = ourTables ? "cjpeg, cJpeg's tables" : "cjpeg";
  const fs::path ppm = workFolder() / ("source-" + caseName(width, height) + ".ppm");
  if (!fs::exists(ppm)) writePpm(photoAt(width, height), ppm);
  const fs::path file =
      workFolder() / ("cjpeg-tool-" + caseName(width, height) + (ourTables ? "-t" : "") + ".jpg");
  // With -qtables, -quality scales the tables read; 50 is the scale of 100 %.
  std::vector<std::string> command = {"cjpeg",     "-quality", ourTables ? "50" : std::to_string(kQuality),
                                      "-optimize", "-dct",     "float",
                                      "-sample",   "2x2"};
  if (ourTables) command.insert(command.end(), {"-qtables", writeQuantTables().string(), "-qslots", "0,1"});
  command.insert(command.end(), {"-outfile", file.string(), ppm.string()});
  auto started = std::chrono::steady_clock::now();
  double cpu = 0;
  for (auto _ : state)
    if (!run(command, cpu)) state.SkipWithError("cjpeg failed (is libjpeg-turbo-progs installed?)");
  std::chrono::duration<double> total = std::chrono::steady_clock::now() - started;
  record(state, name, width, height, file);
  Outcome& o = outcomes[caseName(width, height)][name];
  o.seconds = total.count() / static_cast<double>(state.iterations());
  o.cpuSeconds = cpu / static_cast<double>(state.iterations());
  state.counters["child_cpu_ms"] = o.cpuSeconds * 1000;
}

// The two halves of cJpeg: sampling (render, convert, DCT, quantize) and saving (statistics,
// tables, entropy coding, file).
void BM_SampleHDC(benchmark::State& state, int width, int height) {
  DcPicture picture(photoAt(width, height));
  lumivex::cJpeg encoder;
  encoder.setQuality(kQuality);
  for (auto _ : state) encoder.SampleHDC(picture.dc(), width, height, 0, 0);
}

void BM_AssembleJpeg(benchmark::State& state, int width, int height) {
  DcPicture picture(photoAt(width, height));
  std::array<lumivex::QuantTable, 4> tables{};
  lumivex::ScaleQuantTable(lumivex::kLuminanceBase, lumivex::qualityScaleFactor(kQuality), tables[0]);
  lumivex::ScaleQuantTable(lumivex::kChrominanceBase, lumivex::qualityScaleFactor(kQuality), tables[1]);
  lumivex::ComponentSetup setup = lumivex::SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  lumivex::SampleHDC(picture.dc(), width, height, 0, 0, tables, setup);
  std::vector<std::uint8_t> exif(1, 0);
  lumivex::JpegContent content{&setup, width, height, &tables, U"", &exif};
  for (auto _ : state) benchmark::DoNotOptimize(lumivex::AssembleJpeg(content));
}

// Every bundled sample photo as the engine would hold it, with its plain file size at kQuality.
struct SamplePicture {
  std::unique_ptr<DcPicture> picture;
  int width = 0;
  int height = 0;
  std::size_t plainBytes = 0;
};

const std::vector<SamplePicture>& samplePictures() {
  static std::vector<SamplePicture> pictures = [] {
    std::vector<SamplePicture> all;
    for (const std::string& path : testing_support::allSamplePhotos()) {
      RgbImage image = decodeJpeg(testing_support::readBytes(path));
      SamplePicture sample{std::make_unique<DcPicture>(image), image.width, image.height, 0};
      lumivex::cJpeg encoder;
      encoder.setQuality(kQuality);
      encoder.SampleHDC(sample.picture->dc(), image.width, image.height, 0, 0);
      sample.plainBytes = encoder.FileBytes().size();
      all.push_back(std::move(sample));
    }
    return all;
  }();
  return pictures;
}

// Seconds of processor time per pass over the samples, by limit (0 for plain encodes).
std::map<int, double> limitSeconds;
std::map<int, double> limitQualitiesTried;

// One pass encodes every sample; `percent` 0 encodes plainly, otherwise under that share of the
// photo's plain size.
void BM_SizeLimit(benchmark::State& state, int percent) {
  const auto& samples = samplePictures();
  double cpuStarted = processCpuSeconds();
  double tried = 0;
  for (auto _ : state) {
    for (const SamplePicture& s : samples) {
      lumivex::cJpeg encoder;
      encoder.setQuality(kQuality);
      if (percent == 0) {
        encoder.SampleHDC(s.picture->dc(), s.width, s.height, 0, 0);
        benchmark::DoNotOptimize(encoder.FileBytes());
      } else {
        lumivex::QualityFit fit;
        auto limit = static_cast<std::int64_t>(s.plainBytes) * percent / 100;
        encoder.SampleHDCWithin(s.picture->dc(), s.width, s.height, 0, 0, limit, fit);
        tried += static_cast<double>(fit.qualitiesTried);
      }
    }
  }
  double passes = static_cast<double>(state.iterations());
  limitSeconds[percent] = (processCpuSeconds() - cpuStarted) / passes;
  limitQualitiesTried[percent] = tried / passes / static_cast<double>(samples.size());
  state.counters["photos"] = static_cast<double>(samples.size());
}

void printSizeLimitCost() {
  if (limitSeconds.count(0) == 0) return;
  std::printf("\nsize limit over %zu sample photos (quality %d): cost in plain encodes\n",
              samplePictures().size(), kQuality);
  for (const auto& [percent, seconds] : limitSeconds) {
    if (percent == 0) continue;
    std::printf("limit %3d %% of the plain file: %5.2f x plain, %4.1f qualities tried per photo\n", percent,
                seconds / limitSeconds[0], limitQualitiesTried[percent]);
  }
  std::printf("target: at most 3 x plain on average\n");
}

void registerSizeLimitCases() {
  for (int percent : {0, 70, 40, 15})
    benchmark::RegisterBenchmark(("cJpeg_maxSize/" + std::to_string(percent) + "pct").c_str(), BM_SizeLimit,
                                 percent)
        ->Unit(benchmark::kMillisecond);
}

void registerCase(int width, int height) {
  const std::string size = caseName(width, height);
  benchmark::RegisterBenchmark(("cJpeg/" + size).c_str(), BM_cJpeg, width, height)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("cjpeg/" + size).c_str(), BM_cjpegTool, width, height, false)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("cjpeg_ourTables/" + size).c_str(), BM_cjpegTool, width, height, true)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("cJpeg_SampleHDC/" + size).c_str(), BM_SampleHDC, width, height)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("cJpeg_AssembleJpeg/" + size).c_str(), BM_AssembleJpeg, width, height)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

void printComparison() {
  std::printf("\n%-10s %-22s %8s %8s %10s %8s | %9s %9s %10s %10s\n", "size", "encoder", "real ms", "cpu ms",
              "bytes", "PSNR dB", "cpu ratio", "real ratio", "size ratio", "PSNR diff");
  for (const auto& [size, byEncoder] : outcomes) {
    auto reference = byEncoder.find("cjpeg");
    for (const auto& [name, o] : byEncoder) {
      std::printf("%-10s %-22s %8.1f %8.1f %10zu %8.2f", size.c_str(), name.c_str(), o.seconds * 1000,
                  o.cpuSeconds * 1000, o.bytes, o.psnr);
      if (reference != byEncoder.end() && name != "cjpeg") {
        const Outcome& r = reference->second;
        std::printf(" | %9.2f %9.2f %10.3f %+10.2f", o.cpuSeconds / r.cpuSeconds, o.seconds / r.seconds,
                    static_cast<double>(o.bytes) / static_cast<double>(r.bytes), o.psnr - r.psnr);
      }
      std::printf("\n");
    }
  }
  std::printf(
      "targets for cJpeg against cjpeg: time ratio <= 1.5, size ratio <= 1.03, PSNR diff >= -0.2\n"
      "(processor time is the fair measure on a loaded machine; real time includes waiting)\n");
}

}  // namespace

int main(int argc, char** argv) {
  registerCase(1024, 768);
  registerCase(4000, 3000);
  registerSizeLimitCases();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printComparison();
  printSizeLimitCost();
  std::error_code ignored;
  fs::remove_all(workFolder(), ignored);
  return 0;
}
