#include "pictures/WmfRenderer.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QtGlobal>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libwmf/api.h>
#include <libwmf/gd.h>
// gd's image structure, as libwmf's own copy of gd lays it out.
#include <gd.h>

#if defined(__SANITIZE_ADDRESS__)
#define ZANDOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZANDOR_ASAN 1
#endif
#endif

namespace WmfRenderer {

namespace {

constexpr PictureError NotReadable = PictureError::NotReadable;
constexpr PictureError TooLarge = PictureError::TooLarge;

// Memory that libwmf itself may take (object tables, record buffers, polygon
// lists), besides the picture's own pixels.
constexpr size_t WorkingBudget = 64 * 1024 * 1024;
// Records played in scanning and drawing together, and the time allowed for
// the whole rendering.
constexpr long MaxRecords = 2 * 1000 * 1000;
constexpr int MaxMillis = 5 * 1000;

enum Outcome : int { Pending = 0, Done = 1, Damaged = 2, Oversized = 3 };

quint16 word(const QByteArray &d, int at)
{
    return qFromLittleEndian<quint16>(d.constData() + at);
}

// libwmf allocates through these when asked to (WMF_OPT_ALLOC): every block
// carries its size in front, so the total in use is known and a metafile that
// claims huge records or object tables runs into the budget instead of the
// machine's memory. A refused allocation makes libwmf stop with an error.
struct Budget
{
    size_t used = 0;
    size_t limit = WorkingBudget;
    bool exceeded = false;
};

constexpr size_t Header = 16;   // keeps the blocks 16-byte aligned

void *budgetMalloc(void *context, size_t size)
{
    auto *b = static_cast<Budget *>(context);
    if (size > b->limit || b->used > b->limit - size) {
        b->exceeded = true;
        return nullptr;
    }
    auto *block = static_cast<unsigned char *>(std::malloc(size + Header));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    b->used += size;
    return block + Header;
}

void budgetFree(void *context, void *mem)
{
    if (!mem)
        return;
    auto *b = static_cast<Budget *>(context);
    auto *block = static_cast<unsigned char *>(mem) - Header;
    size_t size;
    std::memcpy(&size, block, sizeof size);
    b->used -= size;
    std::free(block);
}

void *budgetRealloc(void *context, void *mem, size_t size)
{
    if (!mem)
        return budgetMalloc(context, size);
    auto *b = static_cast<Budget *>(context);
    auto *block = static_cast<unsigned char *>(mem) - Header;
    size_t old;
    std::memcpy(&old, block, sizeof old);
    if (size > old && (size - old > b->limit || b->used > b->limit - (size - old))) {
        b->exceeded = true;
        return nullptr;
    }
    auto *grown = static_cast<unsigned char *>(std::realloc(block, size + Header));
    if (!grown)
        return nullptr;
    std::memcpy(grown, &size, sizeof size);
    b->used = b->used - old + size;
    return grown + Header;
}

// Called by libwmf after every record; a non-zero answer ends the play.
struct Progress
{
    QElapsedTimer clock;
    long records = 0;
    bool stopped = false;
};

int onRecord(void *context, float)
{
    auto *p = static_cast<Progress *>(context);
    if (++p->records > MaxRecords || p->clock.elapsed() > MaxMillis) {
        p->stopped = true;
        return 1;
    }
    return 0;
}

// libwmf leaves a picture drawn for wmf_gd_image to the caller but does not
// export gd's destructor; this frees exactly what gd's destructor frees. gd
// allocates with the C library's malloc, not through libwmf.
void destroyGdImage(gdImagePtr im)
{
    if (!im)
        return;
    if (im->pixels) {
        for (int y = 0; y < im->sy; ++y)
            std::free(im->pixels[y]);
        std::free(im->pixels);
    }
    if (im->tpixels) {
        std::free(im->_tpixels);
        std::free(im->tpixels);
    }
    std::free(im->polyInts);
    std::free(im->style);
    if (im->clip) {
        std::free(im->clip->list);
        std::free(im->clip);
    }
    std::free(im);
}

// Owns the libwmf session: ends it and frees the gd picture, also when the
// play stopped half-way.
struct Session
{
    wmfAPI *api = nullptr;
    ~Session()
    {
        if (!api)
            return;
        void *picture = api->device_data ? WMF_GD_GetData(api)->gd_image : nullptr;
        wmf_api_destroy(api);
        destroyGdImage(static_cast<gdImagePtr>(picture));
    }
};

// The pixel size that covers `needed` with the aspect ratio w : h.
bool coverSize(double w, double h, const QSize &needed, qint64 *outW, qint64 *outH)
{
    const double scale = qMax(needed.width() / w, needed.height() / h);
    const double cw = std::ceil(w * scale - 1e-6);
    const double ch = std::ceil(h * scale - 1e-6);
    if (!(cw <= MaxSide && ch <= MaxSide))
        return false;
    *outW = qMax<qint64>(needed.width(), qint64(cw));
    *outH = qMax<qint64>(needed.height(), qint64(ch));
    return *outW <= MaxSide && *outH <= MaxSide;
}

// Text in metafiles names Windows fonts, which libwmf maps onto the 13
// standard PostScript faces; these are drawn with the DejaVu fonts (Debian's
// fonts-dejavu-core), so text renders alike on every machine.
char fontDir[] = "/usr/share/fonts/truetype/dejavu";
char *fontDirs[] = {fontDir, nullptr};
#define ZANDOR_FACE(ps, file) {const_cast<char *>(ps), const_cast<char *>(file), FT_ENCODING_NONE}
wmfMapping fontFiles[] = {
    ZANDOR_FACE("Helvetica", "DejaVuSans.ttf"),
    ZANDOR_FACE("Helvetica-Oblique", "DejaVuSans-Oblique.ttf"),
    ZANDOR_FACE("Helvetica-Bold", "DejaVuSans-Bold.ttf"),
    ZANDOR_FACE("Helvetica-BoldOblique", "DejaVuSans-BoldOblique.ttf"),
    ZANDOR_FACE("Times-Roman", "DejaVuSerif.ttf"),
    ZANDOR_FACE("Times-Italic", "DejaVuSerif-Italic.ttf"),
    ZANDOR_FACE("Times-Bold", "DejaVuSerif-Bold.ttf"),
    ZANDOR_FACE("Times-BoldItalic", "DejaVuSerif-BoldItalic.ttf"),
    ZANDOR_FACE("Courier", "DejaVuSansMono.ttf"),
    ZANDOR_FACE("Courier-Oblique", "DejaVuSansMono-Oblique.ttf"),
    ZANDOR_FACE("Courier-Bold", "DejaVuSansMono-Bold.ttf"),
    ZANDOR_FACE("Courier-BoldOblique", "DejaVuSansMono-BoldOblique.ttf"),
    ZANDOR_FACE("Symbol", "DejaVuSans.ttf"),
    {nullptr, nullptr, FT_ENCODING_NONE},
};
#undef ZANDOR_FACE

// libwmf's gd device outlines an ellipse but does not fill it (it fills the
// chord between the arc's ends, which for a whole ellipse is nothing). The
// metafile is therefore handed over with every ellipse record turned into a
// polygon along the same ellipse, drawn with the same pen and brush. Records
// are only rewritten while the file's structure is sound; anything odd leaves
// the data as it is, for libwmf to judge.
constexpr int EllipsePoints = 72;
constexpr quint16 MetaEllipse = 0x0418;
constexpr quint16 MetaPolygon = 0x0324;

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

quint32 dword(const QByteArray &d, qint64 at)
{
    return quint32(word(d, int(at))) | (quint32(word(d, int(at + 2))) << 16);
}

QByteArray withFilledEllipses(const QByteArray &data)
{
    const qint64 start = word(data, 0) == 0xCDD7 && word(data, 2) == 0x9AC6 ? 22 : 0;
    if (data.size() < start + 18 || word(data, int(start + 2)) != 9)
        return data;
    const qint64 n = data.size();
    const quint32 polygonWords = 3 + 1 + 2 * EllipsePoints;

    QByteArray out = data.left(int(start + 18));
    qint64 pos = start + 18;
    quint32 grown = 0;
    bool changed = false;
    while (pos + 6 <= n) {
        const quint32 size = dword(data, pos);
        const quint16 function = word(data, int(pos + 4));
        if (size < 3 || qint64(size) * 2 > n - pos)
            return data;
        if (function == MetaEllipse && size == 7
            && out.size() + qint64(polygonWords) * 2 <= MaxFileSize) {
            const double bottom = qint16(word(data, int(pos + 6)));
            const double right = qint16(word(data, int(pos + 8)));
            const double top = qint16(word(data, int(pos + 10)));
            const double left = qint16(word(data, int(pos + 12)));
            const double cx = (left + right) / 2, cy = (top + bottom) / 2;
            const double rx = (right - left) / 2, ry = (bottom - top) / 2;
            put32(out, polygonWords);
            put16(out, MetaPolygon);
            put16(out, EllipsePoints);
            for (int i = 0; i < EllipsePoints; ++i) {
                const double a = 2 * M_PI * i / EllipsePoints;
                put16(out, quint16(qint16(qBound(-32768.0, std::round(cx + rx * std::cos(a)), 32767.0))));
                put16(out, quint16(qint16(qBound(-32768.0, std::round(cy + ry * std::sin(a)), 32767.0))));
            }
            grown += polygonWords - size;
            changed = true;
        } else {
            out.append(data.constData() + pos, int(size) * 2);
        }
        pos += qint64(size) * 2;
        if (function == 0x0000)
            break;   // end of file; whatever follows is kept as it is
    }
    if (!changed)
        return data;
    out.append(data.constData() + pos, int(n - pos));
    // The header's total size and largest record follow the change.
    QByteArray header;
    put32(header, dword(data, start + 6) + grown);
    out.replace(int(start + 6), 4, header);
    header.clear();
    put32(header, qMax(dword(data, start + 12), polygonWords));
    out.replace(int(start + 12), 4, header);
    return out;
}

// Where the rendering leaves its result: the outcome, the size and the
// pixels (0xffRRGGBB, row by row). Lives in memory shared with the process
// that renders.
struct Result
{
    int outcome;
    int width;
    int height;
    int reserved;
};
constexpr size_t PixelOffset = 64;
constexpr size_t ResultBytes = PixelOffset + size_t(MaxPixels) * sizeof(quint32);

Outcome renderInto(QByteArray &bytes, const QSize &needed, Result *result)
{
    Budget budget;
    Progress progress;
    progress.clock.start();

    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.context = &budget;
    options.malloc = budgetMalloc;
    options.realloc = budgetRealloc;
    options.free = budgetFree;
    options.function = wmf_gd_function;
    options.fontdirs = fontDirs;
    options.font.ps = fontFiles;
    const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_FONTDIRS
                                | WMF_OPT_FONTMAP | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR
                                | WMF_OPT_NO_DEBUG;

    Session session;
    if (wmf_api_create(&session.api, flags, &options) != wmf_E_None || !session.api)
        return Damaged;
    wmfAPI *api = session.api;

    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(bytes.data()), long(bytes.size()))
        != wmf_E_None)
        return Damaged;
    wmf_status_function(api, &progress, onRecord);

    wmfD_Rect bbox;
    std::memset(&bbox, 0, sizeof bbox);
    if (wmf_scan(api, 0, &bbox) != wmf_E_None)
        return budget.exceeded || progress.stopped ? Oversized : Damaged;

    const double bw = double(bbox.BR.x) - double(bbox.TL.x);
    const double bh = double(bbox.BR.y) - double(bbox.TL.y);
    if (!std::isfinite(bw) || !std::isfinite(bh) || bw <= 0 || bh <= 0)
        return Damaged;

    qint64 width = 0, height = 0;
    if (needed.width() > 0 && needed.height() > 0) {
        if (!coverSize(bw, bh, needed, &width, &height))
            return Oversized;
    } else {
        unsigned int dw = 0, dh = 0;
        if (wmf_display_size(api, &dw, &dh, 96, 96) != wmf_E_None || dw == 0 || dh == 0)
            return Damaged;
        width = dw;
        height = dh;
        if (width > MaxSide || height > MaxSide)
            return Oversized;
    }
    if (width * height > MaxPixels)
        return Oversized;

    wmf_gd_t *device = WMF_GD_GetData(api);
    device->type = wmf_gd_image;
    device->bbox = bbox;
    device->width = unsigned(width);
    device->height = unsigned(height);

    if (wmf_play(api, 0, &bbox) != wmf_E_None || !device->gd_image)
        return budget.exceeded || progress.stopped ? Oversized : Damaged;

    const int *pixels = wmf_gd_image_pixels(device->gd_image);
    if (!pixels)
        return Damaged;

    // gd keeps 0xAARRGGBB with a 7-bit alpha, 0 = opaque, 127 = transparent.
    // Blend onto white so uncovered parts read as paper.
    auto *out = reinterpret_cast<quint32 *>(reinterpret_cast<unsigned char *>(result) + PixelOffset);
    const qint64 count = width * height;
    for (qint64 i = 0; i < count; ++i) {
        const unsigned p = unsigned(pixels[i]);
        const unsigned transparency = (p >> 24) & 0x7F;
        const unsigned opacity = 127 - transparency;
        auto mix = [&](unsigned c) { return (c * opacity + 255 * transparency + 63) / 127; };
        out[i] = 0xFF000000u | (mix((p >> 16) & 0xFF) << 16) | (mix((p >> 8) & 0xFF) << 8)
                 | mix(p & 0xFF);
    }
    result->width = int(width);
    result->height = int(height);
    return Done;
}

// In the rendering process: caps its address space so that nothing libwmf
// does can take more than a bounded amount of memory (not under
// AddressSanitizer, which reserves far more address space than it uses).
void limitMemory()
{
#ifndef ZANDOR_ASAN
    long pages = 0;
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf - 1);
        ::close(fd);
        if (n > 0) {
            buf[n] = 0;
            pages = std::strtol(buf, nullptr, 10);
        }
    }
    if (pages <= 0)
        return;
    const rlim_t now = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
    const rlim_t extra = rlim_t(WorkingBudget) + rlim_t(MaxPixels) * 8 + 256u * 1024 * 1024;
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = now + extra;
    ::setrlimit(RLIMIT_AS, &limit);
#endif
}

// Renders in a child process: a metafile that makes libwmf crash, loop or
// grab memory takes only the child down, and the child is stopped when it
// runs past the time allowed. The result comes back through shared memory.
// Returns false when no child could be started.
bool renderIsolated(QByteArray &bytes, const QSize &needed, Result *result)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        // A crash here only means a damaged metafile: no crash handler of the
        // program (or of a test harness) is to run in this copy of it.
        for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            ::signal(sig, SIG_DFL);
        limitMemory();
        result->outcome = renderInto(bytes, needed, result);
        const char done = 1;
        (void)!::write(fds[1], &done, 1);
        ::_exit(0);
    }
    ::close(fds[1]);

    // Wait for the child's word or for its end (the pipe closes when it
    // dies), at most MaxMillis.
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    for (;;) {
        const qint64 left = MaxMillis + 500 - clock.elapsed();
        if (left <= 0)
            break;
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        finished = r > 0;
        break;
    }
    ::close(fds[0]);
    if (!finished)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished)
        result->outcome = Oversized;   // stopped: it took too long
    else if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        result->outcome = Damaged;     // crashed or ran out of memory
    return true;
}

} // namespace

bool looksLikeMetafile(const QByteArray &data)
{
    if (data.size() >= 4 && word(data, 0) == 0xCDD7 && word(data, 2) == 0x9AC6)
        return true;
    if (data.size() < 18)
        return false;
    const quint16 type = word(data, 0);
    const quint16 headerSize = word(data, 2);
    const quint16 version = word(data, 4);
    return (type == 1 || type == 2) && headerSize == 9 && (version == 0x0100 || version == 0x0300);
}

QImage render(const QByteArray &data, const QSize &needed, PictureError *error)
{
    auto fail = [error](PictureError reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    if (!looksLikeMetafile(data))
        return fail(NotReadable);
    if (data.size() > MaxFileSize)
        return fail(TooLarge);

    // libwmf reads from a buffer it may not change; it gets a private copy.
    QByteArray bytes = withFilledEllipses(data);
    bytes.detach();

    void *shared = ::mmap(nullptr, ResultBytes, PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (shared == MAP_FAILED)
        return fail(TooLarge);
    auto *result = static_cast<Result *>(shared);
    result->outcome = Pending;

    if (!renderIsolated(bytes, needed, result))
        result->outcome = renderInto(bytes, needed, result);

    QImage image;
    const int outcome = result->outcome;
    if (outcome == Done && result->width > 0 && result->height > 0
        && qint64(result->width) * result->height <= MaxPixels) {
        const QImage view(static_cast<const uchar *>(shared) + PixelOffset, result->width,
                          result->height, result->width * 4, QImage::Format_RGB32);
        image = view.copy();
    }
    ::munmap(shared, ResultBytes);

    if (outcome == Done && !image.isNull())
        return image;
    return fail(outcome == Oversized || outcome == Done ? TooLarge : NotReadable);
}

} // namespace WmfRenderer
