// A shown window's pixel memory is mapped in ahead of its first paint, and
// the first paint draws into that very image; a window not shown is left
// alone.
#include "base/WindowMemory.h"

#include <QBackingStore>
#include <QImage>
#include <QWidget>
#include <QtTest>

#include <chrono>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

const QImage *backingImage(QWidget &w)
{
    QBackingStore *store = w.backingStore();
    QPaintDevice *device = store ? store->paintDevice() : nullptr;
    return device && device->devType() == QInternal::Image ? static_cast<const QImage *>(device) : nullptr;
}

// How many of the pages under the image are in memory, and how many there are.
std::pair<std::size_t, std::size_t> residentPages(const QImage &image)
{
    const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = quintptr(image.constBits()) & ~(page - 1);
    const quintptr end = quintptr(image.constBits()) + quintptr(image.sizeInBytes());
    std::vector<unsigned char> in((end - begin + page - 1) / page);
    if (::mincore(reinterpret_cast<void *>(begin), end - begin, in.data()) != 0)
        return {0, in.size()};
    std::size_t resident = 0;
    for (unsigned char c : in)
        resident += c & 1;
    return {resident, in.size()};
}

} // namespace

class TestWindowMemory : public QObject
{
    Q_OBJECT
private slots:
    void shownWindowIsPreparedForItsFirstPaint()
    {
        QWidget window;
        // Large enough for an image of its own, away from the rest of the heap.
        window.resize(1500, 1000);
        window.show();

        std::future<void> ready = WindowMemory::prepare(&window);
        QVERIFY(ready.valid());
        QVERIFY(ready.wait_for(std::chrono::seconds(10)) == std::future_status::ready);
        const QImage *image = backingImage(window);
        QVERIFY(image);
        QCOMPARE(image->size(), window.size() * window.devicePixelRatio());
        const auto [resident, pages] = residentPages(*image);
        QCOMPARE(resident, pages);

        const uchar *bits = image->constBits();
        window.repaint();
        QCOMPARE(backingImage(window), image);
        QCOMPARE(backingImage(window)->constBits(), bits);
    }

    void hiddenWindowIsLeftAlone()
    {
        QWidget window;
        window.resize(300, 200);
        std::future<void> ready = WindowMemory::prepare(&window);
        QVERIFY(ready.valid());
        QVERIFY(ready.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!backingImage(window));
        QVERIFY(WindowMemory::prepare(nullptr).wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    }
};

QTEST_MAIN(TestWindowMemory)
#include "test_window_memory.moc"
