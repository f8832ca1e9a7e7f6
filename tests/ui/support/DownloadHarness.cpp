#include "tests/ui/support/DownloadHarness.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "app/SharedRecord.h"
#include "download/Prograss.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "ui/Page3Upload.h"
#include "ui/PropertySheet.h"

namespace testing_support {

void HookedClock::Sleep(int ms)
{
    if (onSleep)
        onSleep(ms, qobject_cast<CPrograss*>(QApplication::activeModalWidget()));
    m_clock.Sleep(ms);
}

DownloadHarness::DownloadHarness()
{
    platform::SetWaiter(&clock);
    g_Shared.m_nThreshold = 128;
    g_Shared.m_nMaxPrintWidth = 512;
    g_Shared.m_strPrinterName = "TM-T88";
    g_Shared.m_strPortName = "COM1";
    root.Link("ttyS0", printer.Path());
    UseSerialPrinter();
}

DownloadHarness::~DownloadHarness()
{
    platform::SetWaiter(&page.fake.clock);
}

void DownloadHarness::Show()
{
    page.Show(0);
    upload = new CPage3Upload;
    page.Sheet()->AddPage(upload);
    page.Activate(2);
}

std::string DownloadHarness::Logo(const std::string& name, int width, int height,
                                  const std::function<bool(int, int)>& dark)
{
    BmpParams params;
    params.width = width;
    params.height = height;
    params.bitsPerPixel = 24;
    const std::string path = page.work.File(name);
    WriteFile(path, MakeBmp(params, [&](int x, int y) { return dark(x, y) ? 0x604830u : 0xA0B0C0u; }));
    return path;
}

DotImage DownloadHarness::Expected(int width, int height, const std::function<bool(int, int)>& dark)
{
    DotImage image;
    image.width = (width + 7) / 8 * 8;
    image.height = (height + 7) / 8 * 8;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.dots.push_back(x < width && y < height && dark(x, y) ? 1 : 0);
    return image;
}

void DownloadHarness::List(const std::string& path, int number)
{
    QVERIFY(page.app.m_loader.AddFile(number, path));
    page.app.m_bListLoaded = true;
}

void DownloadHarness::UseSerialPrinter()
{
    g_Shared.m_nPortType = 0;
    g_Shared.m_strPortDevice = "COM1";
    g_Shared.m_dwBaudRate = 115200;
    g_Shared.m_byByteSize = 8;
    g_Shared.m_byParity = 0;
    g_Shared.m_byStopBits = 0;
    g_Shared.m_nHandshake = 0;
}

void DownloadHarness::UseFile()
{
    g_Shared.m_nPortType = 2;
    g_Shared.m_strPortDevice = "FILE";
}

void DownloadHarness::Download()
{
    QPushButton* button = upload->findChild<QPushButton*>(QStringLiteral("button1023"));
    QVERIFY(button);
    button->click();
}

DecodedStream DownloadHarness::Received(size_t atLeast)
{
    printer.WaitForBytes(atLeast);
    return DecodeStream(printer.Bytes());
}

std::string DownloadHarness::Key(int number) const
{
    return page.app.Profile().GetProfileString(kLogSection, LogoFileKey(number));
}

} // namespace testing_support
