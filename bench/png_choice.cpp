// The measurement behind the PNG recordings' settings: each candidate
// filter, zlib level, strategy and band height encodes the same images,
// and its median time and its file size are printed (docs/performance.md
// gives the figures). The images are the README's screenshots of the
// sample and the LCD displays, recorded from the real window under Wine by
// GDI+, so each size is also set against GDI+'s file of the same pixels.
//
//   build/native/png-choice docs/screenshot.png bench/data/lcd-20x4.png [ROUNDS]
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Image {
    std::string path;
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; // top row first
    long fileSize = 0;              // GDI+'s file
};

bool Load(const char *path, Image *image) {
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path)) return false;
    png.format = PNG_FORMAT_RGB;
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr)) return false;
    image->path = path;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    fseek(file, 0, SEEK_END);
    image->fileSize = ftell(file);
    fclose(file);
    return true;
}

enum Filter { None, Sub, Up, Paeth, PerRow };
const char *const kFilterNames[] = {"None", "Sub", "Up", "Paeth", "per row"};

struct Candidate {
    int level;
    int strategy;
    Filter filter;
    int band; // rows compressed on their own, each band from a reset; 0: one stream
};

const char *StrategyName(int strategy) {
    return strategy == Z_RLE ? "Z_RLE" : strategy == Z_FILTERED ? "Z_FILTERED" : "default";
}

int Magnitude(unsigned char v) { return v < 128 ? v : 256 - v; }

// The filter the per-row choice takes: of None, Sub and Up, the one whose
// bytes, read as signed, have the smallest sum of magnitudes.
Filter ChooseFilter(const unsigned char *row, const unsigned char *above, size_t bytes) {
    long none = 0, sub = 0, up = 0;
    for (size_t i = 0; i < bytes; ++i) {
        none += Magnitude(row[i]);
        sub += Magnitude(static_cast<unsigned char>(row[i] - (i >= 3 ? row[i - 3] : 0)));
        up += Magnitude(static_cast<unsigned char>(row[i] - (above ? above[i] : 0)));
    }
    return none <= sub && none <= up ? None : sub <= up ? Sub : Up;
}

// The compressed size (plus the chunks around it) of one encoding; the rows
// are filtered one at a time and handed to deflate, as the driver does.
size_t Encode(const Image &image, const Candidate &c, std::vector<unsigned char> &row,
              std::vector<unsigned char> &out) {
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit2(&z, c.level, Z_DEFLATED, c.band ? -15 : 15, 8, c.strategy);
    const size_t bytes = static_cast<size_t>(image.width) * 3;
    row.resize(bytes + 1);
    out.resize(deflateBound(&z, static_cast<uLong>((bytes + 1) * image.height)) +
               16 * static_cast<size_t>(image.height));
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    size_t banked = 0; // bytes of the bands before the current one
    for (int y = 0; y < image.height; ++y) {
        if (c.band && y % c.band == 0 && y > 0) {
            z.avail_in = 0;
            deflate(&z, Z_SYNC_FLUSH);
            banked += z.total_out;
            Bytef *next = z.next_out;
            uInt room = z.avail_out;
            deflateReset(&z);
            z.next_out = next;
            z.avail_out = room;
        }
        const unsigned char *p = &image.rgb[y * bytes];
        const unsigned char *above = y ? p - bytes : nullptr;
        Filter f = c.filter == PerRow ? ChooseFilter(p, above, bytes) : c.filter;
        row[0] = static_cast<unsigned char>(f);
        for (size_t i = 0; i < bytes; ++i) {
            int a = i >= 3 ? p[i - 3] : 0, b = above ? above[i] : 0,
                d = i >= 3 && above ? above[i - 3] : 0, v = p[i];
            if (f == Sub) v -= a;
            if (f == Up) v -= b;
            if (f == Paeth) {
                int e = a + b - d, ea = abs(e - a), eb = abs(e - b), ed = abs(e - d);
                v -= ea <= eb && ea <= ed ? a : eb <= ed ? b : d;
            }
            row[i + 1] = static_cast<unsigned char>(v);
        }
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        deflate(&z, y == image.height - 1 ? (c.band ? Z_SYNC_FLUSH : Z_FINISH) : Z_NO_FLUSH);
    }
    // Bands: the zlib header, an empty final block and the Adler-32 besides.
    if (c.band) banked += 2 + 2 + 4;
    size_t size = z.total_out + banked;
    deflateEnd(&z);
    return 8 + 25 + 12 + size + 12; // signature, IHDR, one IDAT, IEND
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: png-choice SAMPLE.png LCD.png [ROUNDS]\n");
        return 2;
    }
    Image images[2];
    for (int i = 0; i < 2; ++i)
        if (!Load(argv[1 + i], &images[i])) {
            fprintf(stderr, "png-choice: cannot read %s\n", argv[1 + i]);
            return 1;
        }
    int rounds = argc > 3 ? atoi(argv[3]) : 21;
    if (rounds < 1) rounds = 21;

    std::vector<Candidate> candidates;
    for (int level : {1, 2, 3, 4, 6})
        for (Filter f : {None, Sub, Up, PerRow}) candidates.push_back({level, Z_DEFAULT_STRATEGY, f, 0});
    for (Filter f : {Up, Paeth, PerRow}) candidates.push_back({1, Z_RLE, f, 0});
    candidates.push_back({4, Z_FILTERED, Up, 0});
    // Bands of rows compressed on their own, which a recording can keep.
    for (int band : {16, 32, 64}) candidates.push_back({4, Z_DEFAULT_STRATEGY, Up, band});
    for (int level : {1, 2}) candidates.push_back({level, Z_DEFAULT_STRATEGY, Up, 32});

    // Rounds of every candidate in turn, so that a passing load on the
    // machine falls on all of them alike.
    std::vector<std::vector<double>> times(candidates.size() * 2);
    std::vector<size_t> sizes(candidates.size() * 2);
    std::vector<unsigned char> row, out;
    for (int round = 0; round < rounds; ++round)
        for (size_t c = 0; c < candidates.size(); ++c)
            for (int i = 0; i < 2; ++i) {
                auto start = std::chrono::steady_clock::now();
                sizes[c * 2 + i] = Encode(images[i], candidates[c], row, out);
                std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
                times[c * 2 + i].push_back(took.count());
            }

    printf("medians of %d rounds; sizes in bytes and against GDI+'s file of the same pixels\n", rounds);
    printf("%-5s %-10s %-8s %-5s | %-28s | %-28s\n", "level", "strategy", "filter", "band", images[0].path.c_str(),
           images[1].path.c_str());
    for (size_t c = 0; c < candidates.size(); ++c) {
        printf("%-5d %-10s %-8s %-5d", candidates[c].level, StrategyName(candidates[c].strategy),
               kFilterNames[candidates[c].filter], candidates[c].band);
        for (int i = 0; i < 2; ++i) {
            std::vector<double> &t = times[c * 2 + i];
            std::sort(t.begin(), t.end());
            printf(" | %7.0f us %7zu B %5.2f x", t[t.size() / 2], sizes[c * 2 + i],
                   static_cast<double>(sizes[c * 2 + i]) / static_cast<double>(images[i].fileSize));
        }
        printf("\n");
    }
    return 0;
}
