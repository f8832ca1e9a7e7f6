#pragma once
// The Setup page in a sheet of its own with one plain page beside it to leave to, on
// fake message boxes, a temporary start-up directory and a fake device tree.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/NvLogoApp.h"
#include "app/SharedRecord.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "ui/Page5Setup.h"
#include "ui/PropertySheet.h"

namespace testing_support {

class PlainPage : public CPropertyPage {
public:
    PlainPage() : CPropertyPage(QStringLiteral("Other"), 129) {}
    QString HelpTopic() const override { return QStringLiteral("Preview"); }
};

class SetupHarness {
public:
    static constexpr int kOtherTab = 0;
    static constexpr int kSetupTab = 1;

    FakePlatform fake;
    TempDir startDir;
    FakeDeviceRoot root;
    CNvLogoApp app;
    std::unique_ptr<CPropertySheet> sheet;
    CPage5Setup* page = nullptr;

    SetupHarness()
    {
        app.m_szWorkDir = startDir.Path();
        SetApp(&app);
    }
    ~SetupHarness()
    {
        sheet.reset();
        SetApp(nullptr);
    }
    SetupHarness(const SetupHarness&) = delete;
    SetupHarness& operator=(const SetupHarness&) = delete;

    // Opens the sheet on the Setup page, as start-up does; a second call is the next run.
    void Start()
    {
        sheet.reset();
        sheet = std::make_unique<CPropertySheet>(QStringLiteral("Setup"), nullptr, kSetupTab);
        sheet->AddPage(new PlainPage);
        page = new CPage5Setup;
        sheet->AddPage(page);
        sheet->show();
    }

    template <class T> T* Find(const QString& name) const
    {
        T* widget = page->findChild<T*>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    QComboBox* Combo(int id) const { return Find<QComboBox>(QStringLiteral("combo%1").arg(id)); }
    QLineEdit* Edit(int id) const { return Find<QLineEdit>(QStringLiteral("edit%1").arg(id)); }
    QSlider* Slider() const { return Find<QSlider>(QStringLiteral("slider1067")); }
    QCheckBox* PrintToFile() const { return Find<QCheckBox>(QStringLiteral("check1064")); }
    QPushButton* Button(CPropertySheet::Button button) const { return sheet->GetButton(button); }

    static QStringList Entries(const QComboBox* combo)
    {
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        return entries;
    }
    QStringList Entries(int id) const { return Entries(Combo(id)); }

    // Picks an entry the way the user does: the list reports it as chosen.
    bool Choose(int id, const QString& text) const
    {
        QComboBox* combo = Combo(id);
        const int index = combo->findText(text);
        if (index < 0 || !combo->isEnabled())
            return false;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        return true;
    }
    // Replaces an edit's text by typing.
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    bool Leave() const { return sheet->SetActivePage(kOtherTab); }
    bool Return() const { return sheet->SetActivePage(kSetupTab); }

    std::vector<std::string> Boxes() const { return fake.boxes.Texts(); }
    bool DeviceIniExists() const { return std::filesystem::exists(startDir.File("Device.INI")); }
    std::string DeviceIni() const { return startDir.Read("Device.INI"); }
};

} // namespace testing_support
