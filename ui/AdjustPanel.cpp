#include "ui/AdjustPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "app/Session.h"
#include "ui/LogoTableModel.h"

namespace {

// The scale box's entries, in Adjustments::Scale order.
const char* const kScales[] = {"As it is", "Fit to width", "Percentage"};
const int kRotations[] = {0, 90, 180, 270};

QSlider* ToneSlider(int low, int high)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(low, high);
    slider->setPageStep((high - low) / 20);
    return slider;
}

// Black dots on white paper, one pixel a dot.
QImage DotsPicture(const DotImage& dots)
{
    QImage picture(dots.width, dots.height, QImage::Format_Grayscale8);
    for (int y = 0; y < dots.height; ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = 0; x < dots.width; ++x)
            line[x] = dots.Dot(x, y) ? 0 : 255;
    }
    return picture;
}

} // namespace

CAdjustPanel::CAdjustPanel(Session& session, LogoTableModel& model, int row, QWidget* parent)
    : QDialog(parent), m_session(session), m_model(model)
{
    setObjectName(QStringLiteral("CAdjustPanel"));
    BuildControls();
    // The redraw thread reports here; a report that arrives after the panel has gone is
    // dropped with it.
    m_redraw = std::make_unique<AdjustRedraw>([this] {
        QMetaObject::invokeMethod(
            this, [this] { OnRedrawReady(); }, Qt::QueuedConnection);
    });
    connect(&model, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!m_logo.isValid())
            close();
    });
    connect(&model, &QAbstractItemModel::modelReset, this, &QDialog::close);
    SetRow(row);
}

CAdjustPanel::~CAdjustPanel() = default;

void CAdjustPanel::SetRow(int row)
{
    if (row < 0 || row >= m_session.m_list.Count() || row == Row())
        return;
    m_logo = m_model.index(row, 0);
    const Logo& logo = m_session.m_list.At(row);
    setWindowTitle(QStringLiteral("Adjust %1").arg(QString::fromStdString(logo.name)));
    m_status->clear();
    ShowAdjustments(logo.adjust);
    Redraw();
}

void CAdjustPanel::BuildControls()
{
    QFormLayout* form = BuildForm();
    m_dotsView = new QLabel;
    m_dotsView->setObjectName(QStringLiteral("labelAdjustDots"));
    m_dotsView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea;
    // Grey around the paper, so that a white margin shows where it ends.
    scroll->setBackgroundRole(QPalette::Dark);
    scroll->setWidget(m_dotsView);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(240, 240);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    m_reset = buttons->addButton(QStringLiteral("Reset"), QDialogButtonBox::ResetRole);
    m_reset->setObjectName(QStringLiteral("buttonReset"));
    auto* columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addWidget(scroll, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_reset, &QPushButton::clicked, this, [this] {
        ShowAdjustments({});
        OnChanged(true);
    });
    for (QCheckBox* box : {m_trim, m_invert})
        connect(box, &QCheckBox::toggled, this, [this] { OnChanged(true); });
    for (QComboBox* box : {m_rotate, m_scale})
        connect(box, &QComboBox::activated, this, [this] { OnChanged(true); });
    connect(m_percent, &QSpinBox::valueChanged, this, [this] { OnChanged(true); });
    // A dragged slider redraws as it moves and counts once it is let go.
    for (QSlider* slider : {m_brightness, m_contrast, m_gamma}) {
        connect(slider, &QSlider::valueChanged, this, [this, slider] { OnChanged(!slider->isSliderDown()); });
        connect(slider, &QSlider::sliderReleased, this, &CAdjustPanel::Commit);
    }
}

QFormLayout* CAdjustPanel::BuildForm()
{
    auto* form = new QFormLayout;
    m_trim = new QCheckBox(QStringLiteral("&Trim white borders"));
    m_trim->setObjectName(QStringLiteral("checkTrim"));
    form->addRow(m_trim);
    m_rotate = new QComboBox;
    m_rotate->setObjectName(QStringLiteral("comboRotate"));
    for (const int degrees : kRotations)
        m_rotate->addItem(QStringLiteral("%1\u00b0 clockwise").arg(degrees));
    form->addRow(QStringLiteral("&Rotate:"), m_rotate);
    m_scale = new QComboBox;
    m_scale->setObjectName(QStringLiteral("comboScale"));
    for (const char* scale : kScales)
        m_scale->addItem(QString::fromLatin1(scale));
    m_percent = new QSpinBox;
    m_percent->setObjectName(QStringLiteral("spinPercent"));
    m_percent->setRange(kMinScalePercent, kMaxScalePercent);
    m_percent->setSuffix(QStringLiteral(" %"));
    m_percent->setKeyboardTracking(false); // a typed number counts once it is whole
    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(m_scale, 1);
    scaleRow->addWidget(m_percent);
    auto* scaleLabel = new QLabel(QStringLiteral("&Scale:"));
    scaleLabel->setBuddy(m_scale);
    form->addRow(scaleLabel, scaleRow);
    m_brightness = ToneSlider(-100, 100);
    m_brightness->setObjectName(QStringLiteral("sliderBrightness"));
    form->addRow(QStringLiteral("&Brightness:"), m_brightness);
    m_contrast = ToneSlider(-100, 100);
    m_contrast->setObjectName(QStringLiteral("sliderContrast"));
    form->addRow(QStringLiteral("&Contrast:"), m_contrast);
    m_gamma = ToneSlider(20, 500);
    m_gamma->setObjectName(QStringLiteral("sliderGamma"));
    m_gammaValue = new QLabel;
    auto* gammaRow = new QHBoxLayout;
    gammaRow->addWidget(m_gamma, 1);
    gammaRow->addWidget(m_gammaValue);
    auto* gammaLabel = new QLabel(QStringLiteral("&Gamma:"));
    gammaLabel->setBuddy(m_gamma);
    form->addRow(gammaLabel, gammaRow);
    m_invert = new QCheckBox(QStringLiteral("&Invert"));
    m_invert->setObjectName(QStringLiteral("checkInvert"));
    form->addRow(m_invert);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("labelAdjustStatus"));
    m_status->setWordWrap(true);
    form->addRow(m_status);
    return form;
}

Adjustments CAdjustPanel::Shown() const
{
    Adjustments adjust;
    adjust.trim = m_trim->isChecked();
    adjust.rotate = kRotations[std::max(0, m_rotate->currentIndex())];
    adjust.scale = static_cast<Adjustments::Scale>(std::max(0, m_scale->currentIndex()));
    adjust.percent = adjust.scale == Adjustments::Scale::Percent ? m_percent->value() : 100;
    adjust.brightness = m_brightness->value();
    adjust.contrast = m_contrast->value();
    adjust.gamma = m_gamma->value() / 100.0;
    adjust.invert = m_invert->isChecked();
    return adjust;
}

void CAdjustPanel::ShowAdjustments(const Adjustments& adjust)
{
    const QSignalBlocker quiet[] = {QSignalBlocker(m_trim),       QSignalBlocker(m_rotate),
                                    QSignalBlocker(m_scale),      QSignalBlocker(m_percent),
                                    QSignalBlocker(m_brightness), QSignalBlocker(m_contrast),
                                    QSignalBlocker(m_gamma),      QSignalBlocker(m_invert)};
    m_trim->setChecked(adjust.trim);
    m_rotate->setCurrentIndex(adjust.rotate / 90);
    m_scale->setCurrentIndex(static_cast<int>(adjust.scale));
    m_percent->setValue(adjust.percent);
    m_percent->setEnabled(adjust.scale == Adjustments::Scale::Percent);
    m_brightness->setValue(adjust.brightness);
    m_contrast->setValue(adjust.contrast);
    m_gamma->setValue(static_cast<int>(std::lround(adjust.gamma * 100)));
    m_gammaValue->setText(QString::number(adjust.gamma, 'f', 2));
    m_invert->setChecked(adjust.invert);
}

int CAdjustPanel::Row() const
{
    return m_logo.isValid() ? m_logo.row() : -1;
}

void CAdjustPanel::OnChanged(bool commit)
{
    m_percent->setEnabled(m_scale->currentIndex() == static_cast<int>(Adjustments::Scale::Percent));
    m_gammaValue->setText(QString::number(m_gamma->value() / 100.0, 'f', 2));
    Redraw();
    if (commit)
        Commit();
}

void CAdjustPanel::Commit()
{
    const int row = Row();
    if (row < 0)
        return;
    const Adjustments adjust = Shown();
    if (adjust == m_session.m_list.At(row).adjust)
        return;
    const AddResult result = m_session.m_loader.SetAdjustments(row, adjust);
    if (result.Added()) {
        m_status->clear();
        return;
    }
    // The logo keeps what it had, and the controls show it again.
    m_status->setText(QStringLiteral("Not changed: %1").arg(QString::fromStdString(result.reason)));
    ShowAdjustments(m_session.m_list.At(row).adjust);
    Redraw();
}

void CAdjustPanel::Redraw()
{
    const int row = Row();
    if (row < 0)
        return;
    const Logo& logo = m_session.m_list.At(row);
    NvConversion conversion = m_session.Conversion(Shown());
    conversion.centre = logo.centre;
    m_nRequested = m_redraw->Request(logo.path, conversion);
}

void CAdjustPanel::OnRedrawReady()
{
    AdjustRedraw::Result result;
    if (!m_redraw->Take(result))
        return;
    m_nShown = result.serial;
    if (result.made) {
        m_dots = std::move(result.dots);
        m_dotsView->setPixmap(QPixmap::fromImage(DotsPicture(m_dots)));
    } else {
        m_dots = DotImage{};
        m_dotsView->setText(QString::fromStdString(result.why));
    }
    emit Redrawn();
}
