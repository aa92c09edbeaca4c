#include "app/SettingsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>

#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/MonitorMapWidget.h"
#include "app/SettingsBinding.h"
#include "session/CachePruning.h"
#include "session/Session.h"
#include "settings/PlacementChoice.h"

namespace wylo::app {
namespace {

const QStringList kPlacements = {QStringLiteral("Center"), QStringLiteral("Tile"),
                                 QStringLiteral("Stretch"), QStringLiteral("Zoom")};

const QString kColoursHint = QStringLiteral(
    "These colours are only used if the Icon and and Background colour overrides are unticked. "
    "They are also used when, in multi monitor configurations, and image is only displayed on a "
    "single screen. ");

template <typename W>
W* Place(W* widget, const QString& name, int left, int top, int width = -1, int height = -1) {
    widget->setObjectName(name);
    if (width < 0 || height < 0) {
        widget->adjustSize();
    }
    widget->setGeometry(left, top, width < 0 ? widget->width() : width,
                        height < 0 ? widget->height() : height);
    return widget;
}

QLabel* Label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QComboBox* ZoomBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const std::int32_t percent : kZoomPercentages) {
        box->addItem(QString::number(percent));
    }
    box->setCurrentIndex(ZoomPosition(kDefaultZoom));
    box->setEnabled(false);
    return box;
}

// A placement group with its zoom box and "%" label at the given places.
struct Placement {
    RadioGroup* group;
    QComboBox* zoom;
    QLabel* percent;
};

Placement MakePlacement(QWidget* page, const QString& groupName, QPoint groupAt,
                        const QString& zoomName, QPoint zoomAt, const QString& percentName) {
    auto* group = new RadioGroup(QStringLiteral("Placement"), kPlacements, page);
    Place(group, groupName, groupAt.x(), groupAt.y(), 123, 105);
    group->setItemIndex(0);
    auto* zoom = Place(ZoomBox(page), zoomName, zoomAt.x(), zoomAt.y(), 51, 21);
    auto* percent =
        Place(Label(QStringLiteral("%"), page), percentName, zoomAt.x() + 57, zoomAt.y() + 3);
    percent->setEnabled(false);
    return {group, zoom, percent};
}

QCheckBox* Check(QGroupBox* box, const QString& name, int top, const QString& caption,
                 const QString& hint) {
    auto* check = new QCheckBox(caption, box);
    Place(check, name, 3, top, box->width() - 6, 19);
    check->setChecked(true);
    check->setToolTip(hint);
    return check;
}

// Widens a radio group whose options the font cannot fit, keeping its place.
void GrowToFit(RadioGroup* group) {
    int need = group->width();
    for (int i = 0; i < group->count(); ++i) {
        need = std::max(need, group->button(i)->sizeHint().width() + 16);
    }
    group->resize(need, group->height());
}

}  // namespace

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsSettings"));

    // Created in reading order, which is the order the keyboard visits them:
    // the left column (screens, map, colours), then the right one.
    lScreens =
        Place(Label(QStringLiteral("Screen Metrics"), this), QStringLiteral("lScreens"), 3, 3);
    mScreenMetrics =
        Place(new QPlainTextEdit(this), QStringLiteral("mScreenMetrics"), 3, 22, 374, 89);
    mScreenMetrics->setReadOnly(true);
    // The pictures the user asked never to see again come back from here.
    bnShowHidden = Place(new QPushButton(QStringLiteral("Show Hidden Pictures Again"), this),
                         QStringLiteral("bnShowHidden"), 197, 0, 180, 21);
    ShowHiddenCount(0);
    mScreenMetrics->setTabChangesFocus(true);
    {
        QPalette pal = mScreenMetrics->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        mScreenMetrics->setPalette(pal);
    }
    lScreens->setBuddy(mScreenMetrics);
    // The map gives up a row at its foot to the cache's limit.
    Panel1 = Place(new QFrame(this), QStringLiteral("Panel1"), 3, 117, 374, 236);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    {
        constexpr int kTop = 359;
        lCacheLimit = Place(Label(QStringLiteral("Cache Limit"), this),
                            QStringLiteral("lCacheLimit"), 3, kTop + 3);
        seCacheLimit = new QSpinBox(this);
        seCacheLimit->setRange(Settings::kMinCacheLimitMegabytes,
                               Settings::kMaxCacheLimitMegabytes);
        seCacheLimit->setValue(1024);
        seCacheLimit->setToolTip(QStringLiteral(
            "The pictures shown least recently leave the cache when it holds more than this. "
            "A single picture larger than a quarter of it is not downloaded."));
        lCacheLimit->setBuddy(seCacheLimit);
        const int spinLeft = lCacheLimit->x() + lCacheLimit->width() + 5;
        Place(seCacheLimit, QStringLiteral("seCacheLimit"), spinLeft, kTop,
              std::max(80, seCacheLimit->sizeHint().width()), 21);
        lCacheLimitUnit =
            Place(Label(QStringLiteral("MB"), this), QStringLiteral("lCacheLimitUnit"),
                  seCacheLimit->x() + seCacheLimit->width() + 4, kTop + 3);
        const int sizeLeft = lCacheLimitUnit->x() + lCacheLimitUnit->width() + 12;
        lCacheSize = Place(Label(QString(), this), QStringLiteral("lCacheSize"), sizeLeft, kTop + 3,
                           std::max(0, 377 - sizeLeft), lCacheLimit->height());
    }

    GroupBox3 = Place(new QGroupBox(QStringLiteral("Text And Background Colours"), this),
                      QStringLiteral("GroupBox3"), 3, 386, 374, 104);
    auto* bgLabel = Place(Label(QStringLiteral("Background Colour"), GroupBox3),
                          QStringLiteral("lBGColour"), 62, 18);
    auto* fgLabel = Place(Label(QStringLiteral("Font Colour"), GroupBox3),
                          QStringLiteral("lFGColour"), 238, 18);
    pnBGColour = Place(new ColourPanel(GroupBox3), QStringLiteral("pnBGColour"), 42, 37, 125, 41);
    pnFGColour = Place(new ColourPanel(GroupBox3), QStringLiteral("pnFGColour"), 204, 37, 125, 41);
    pnBGColour->setColour(kBlack);
    pnFGColour->setColour(kWhite);
    bgLabel->setBuddy(pnBGColour);
    fgLabel->setBuddy(pnFGColour);
    auto* change = Place(Label(QStringLiteral("(Double-click to change)"), GroupBox3),
                         QStringLiteral("lDoubleClick"), 129, 84);
    QFont italic = change->font();
    italic.setItalic(true);
    change->setFont(italic);
    GroupBox3->setToolTip(kColoursHint);
    for (QWidget* w : {static_cast<QWidget*>(bgLabel), static_cast<QWidget*>(fgLabel),
                       static_cast<QWidget*>(pnBGColour), static_cast<QWidget*>(pnFGColour),
                       static_cast<QWidget*>(change)}) {
        w->setToolTip(kColoursHint);
    }

    rgMultiScreen = new RadioGroup(QStringLiteral("How to handle multiple screens "),
                                   {QStringLiteral("Same Image On Each Screen"),
                                    QStringLiteral("Different Image On Each Screen"),
                                    QStringLiteral("Image Only On Single Screen"),
                                    QStringLiteral("One Picture Across All Screens")},
                                   this);
    Place(rgMultiScreen, QStringLiteral("rgMultiScreen"), 448, 3, 193, 108);
    GrowToFit(rgMultiScreen);
    rgMultiScreen->setItemIndex(0);

    pcMultiScreen =
        Place(new QTabWidget(this), QStringLiteral("pcMultiScreen"), 383, 117, 322, 193);
    tsSame = new QWidget;
    tsSame->setObjectName(QStringLiteral("tsSame"));
    tsDifferent = new QWidget;
    tsDifferent->setObjectName(QStringLiteral("tsDifferent"));
    tsSingle = new QWidget;
    tsSingle->setObjectName(QStringLiteral("tsSingle"));
    pcMultiScreen->addTab(tsSame, QStringLiteral("Same"));
    pcMultiScreen->addTab(tsDifferent, QStringLiteral("Different"));
    pcMultiScreen->addTab(tsSingle, QStringLiteral("Single"));
    tsSpan = new QWidget;
    tsSpan->setObjectName(QStringLiteral("tsSpan"));
    pcMultiScreen->addTab(tsSpan, QStringLiteral("Span"));

    const Placement same =
        MakePlacement(tsSame, QStringLiteral("RadioGroup3"), {59, 28}, QStringLiteral("ComboBox1"),
                      {188, 112}, QStringLiteral("Label5"));
    RadioGroup3 = same.group;
    ComboBox1 = same.zoom;
    Label5 = same.percent;

    // Which channel a monitor shows sits in a row above the placement.
    cbDifferentMonitor =
        Place(new QComboBox(tsDifferent), QStringLiteral("cbDifferentMonitor"), 6, 3, 100, 21);
    lMonitorChannel = Place(Label(QStringLiteral("shows"), tsDifferent),
                            QStringLiteral("lMonitorChannel"), 112, 6);
    cbMonitorChannel = Place(new QComboBox(tsDifferent), QStringLiteral("cbMonitorChannel"),
                             lMonitorChannel->x() + lMonitorChannel->width() + 5, 3,
                             310 - (lMonitorChannel->x() + lMonitorChannel->width() + 5), 21);
    lMonitorChannel->setBuddy(cbMonitorChannel);
    for (QWidget* w :
         {static_cast<QWidget*>(cbDifferentMonitor), static_cast<QWidget*>(lMonitorChannel),
          static_cast<QWidget*>(cbMonitorChannel)}) {
        w->setToolTip(
            QStringLiteral("Each monitor can show the pictures of a channel of its own; "
                           "the subscribed channel unless you choose another."));
    }
    const Placement different =
        MakePlacement(tsDifferent, QStringLiteral("rgPlacementDifferent"), {96, 28},
                      QStringLiteral("cbZoomDifferent"), {225, 112}, QStringLiteral("Label3"));
    rgPlacementDifferent = different.group;
    cbZoomDifferent = different.zoom;
    Label3 = different.percent;

    // The monitor choice sits above the placement, so the two never overlap.
    lSingleMonitorToUse = Place(Label(QStringLiteral("Monitor To Use"), tsSingle),
                                QStringLiteral("lSingleMonitorToUse"), 45, 9);
    cbSingleMonitorToUse =
        Place(new QComboBox(tsSingle), QStringLiteral("cbSingleMonitorToUse"), 123, 6, 145, 21);
    lSingleMonitorToUse->setBuddy(cbSingleMonitorToUse);
    const Placement single =
        MakePlacement(tsSingle, QStringLiteral("RadioGroup1"), {59, 33},
                      QStringLiteral("ComboBox2"), {188, 117}, QStringLiteral("Label4"));
    RadioGroup1 = single.group;
    ComboBox2 = single.zoom;
    Label4 = single.percent;

    // One picture across all screens: placed in the monitors' bounding box.
    const Placement span =
        MakePlacement(tsSpan, QStringLiteral("rgPlacementSpan"), {59, 28},
                      QStringLiteral("cbZoomSpan"), {188, 112}, QStringLiteral("lSpanPercent"));
    rgPlacementSpan = span.group;
    cbZoomSpan = span.zoom;
    lSpanPercent = span.percent;

    pcSingleScreen =
        Place(new QTabWidget(this), QStringLiteral("pcSingleScreen"), 383, 117, 322, 193);
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    pcSingleScreen->addTab(TabSheet3, QStringLiteral("Image Placement"));
    rgSSPlacement = new RadioGroup(QStringLiteral("Placement"), kPlacements, TabSheet3);
    Place(rgSSPlacement, QStringLiteral("rgSSPlacement"), 3, 3, 123, 105);
    rgSSPlacement->setItemIndex(0);
    cbSSZoom = Place(ZoomBox(TabSheet3), QStringLiteral("cbSSZoom"), 132, 87, 51, 21);
    lSSPercent =
        Place(Label(QStringLiteral("%"), TabSheet3), QStringLiteral("lSSPercent"), 189, 90);
    lSSPercent->setEnabled(false);
    pcSingleScreen->hide();

    // One switch for every placement, in the free space beside the tabs.
    cbSmoothScaling = SmoothScalingBox(QStringLiteral("cbSmoothScaling"));
    pcMultiScreen->setCornerWidget(cbSmoothScaling, Qt::TopRightCorner);
    cbSSSmoothScaling = SmoothScalingBox(QStringLiteral("cbSSSmoothScaling"));
    pcSingleScreen->setCornerWidget(cbSSSmoothScaling, Qt::TopRightCorner);

    gbMisc = Place(new QGroupBox(QStringLiteral("Miscellaneous"), this), QStringLiteral("gbMisc"),
                   448, 316, 193, 123);
    cbBGOverride =
        Check(gbMisc, QStringLiteral("cbBGOverride"), 17,
              QStringLiteral("Allow Background Colour Override"),
              QStringLiteral("Ticking this box means you are happy to use the background "
                             "colour specified by the photographer for the image being "
                             "displayed."));
    cbIconTextOverride =
        Check(gbMisc, QStringLiteral("cbIconTextOverride"), 37,
              QStringLiteral("Allow Icon Text Colour Override"),
              QStringLiteral("Ticking this box means you are happy to use the font "
                             "colour (for desktop icons) specified by the "
                             "photographer for the image being displayed."));
    cbIconTransparancyOverride = Check(
        gbMisc, QStringLiteral("cbIconTransparancyOverride"), 57,
        QStringLiteral("Transparent Desktop Icons"),
        QStringLiteral("Ticking this box will enable transparent desktop icons. This will let "
                       "the desktop image show through the icon text where applicable."));
    cbRandomOrder =
        Check(gbMisc, QStringLiteral("cbRandomOrder"), 77, QStringLiteral("Random Order"),
              QStringLiteral("Ticking this box means Wylo will process the images in a "
                             "channel randomly, otherwise they will be processed "
                             "sequentially."));
    // Kept by the system, not in the settings file; shown as the system has
    // it whenever the page opens.
    cbStartAtLogin = Check(gbMisc, QStringLiteral("cbStartAtLogin"), 97,
                           QStringLiteral("Start Wylo when I log in"),
                           QStringLiteral("Ticking this box starts Wylo each time you log in, "
                                          "waiting in the notification area."));
    cbStartAtLogin->setChecked(false);

    {
        // Captions are never cut: a font wider than the form's widens the group.
        int need = gbMisc->width();
        for (QCheckBox* c : {cbBGOverride, cbIconTextOverride, cbIconTransparancyOverride,
                             cbRandomOrder, cbStartAtLogin}) {
            need = std::max(need, c->sizeHint().width() + 3 + 6);
        }
        gbMisc->resize(need, gbMisc->height());
        for (QCheckBox* c : {cbBGOverride, cbIconTextOverride, cbIconTransparancyOverride,
                             cbRandomOrder, cbStartAtLogin}) {
            c->resize(need - 6, c->height());
        }
    }

    gbSchedule = Place(new QGroupBox(QStringLiteral("Schedule"), this),
                       QStringLiteral("gbSchedule"), 421, 441, 247, 49);
    // Lies on the group's top edge, outside the group, so it stays usable
    // while the group is greyed.
    cbEnableScheduler = new QCheckBox(QStringLiteral("Enable"), this);
    Place(cbEnableScheduler, QStringLiteral("cbEnableScheduler"), 487, 441);
    cbEnableScheduler->setChecked(true);
    cbEnableScheduler->setAutoFillBackground(true);
    Label7 = Label(QStringLiteral("Change Desktop Every"), gbSchedule);
    seScheduleFrequency = new SpinEdit(gbSchedule);
    cbScheduleType = new QComboBox(gbSchedule);
    cbScheduleType->addItems({QStringLiteral("Minute(s)"), QStringLiteral("Hour(s)"),
                              QStringLiteral("Day(s)"), QStringLiteral("Week(s)"),
                              QStringLiteral("Month(s)"), QStringLiteral("Year(s)")});
    cbScheduleType->setCurrentIndex(1);
    Label7->setBuddy(seScheduleFrequency);
    {
        // Label, number and unit side by side, as wide as the font needs; the
        // group grows to the right when the font is wider than the form's.
        Place(Label7, QStringLiteral("Label7"), 8, 22);
        const int spinLeft = Label7->x() + Label7->width() + 5;
        Place(seScheduleFrequency, QStringLiteral("seScheduleFrequency"), spinLeft, 19, 52, 21);
        const int unitLeft = spinLeft + 52 + 4;
        const int unitWidth =
            std::max(cbScheduleType->sizeHint().width(), gbSchedule->width() - 6 - unitLeft);
        Place(cbScheduleType, QStringLiteral("cbScheduleType"), unitLeft, 19, unitWidth, 21);
        gbSchedule->resize(std::max(gbSchedule->width(), unitLeft + unitWidth + 6),
                           gbSchedule->height());
    }
    cbEnableScheduler->raise();

    connect(rgMultiScreen, &RadioGroup::clicked, this, &SettingsPage::rgMultiScreenClick);
    connect(pcMultiScreen, &QTabWidget::currentChanged, this, &SettingsPage::pcMultiScreenChange);
    connect(pcSingleScreen, &QTabWidget::currentChanged, this, &SettingsPage::pcMultiScreenChange);
    for (RadioGroup* g :
         {rgSSPlacement, RadioGroup3, rgPlacementDifferent, RadioGroup1, rgPlacementSpan}) {
        connect(g, &RadioGroup::clicked, this, &SettingsPage::rgPlacementDifferentClick);
        connect(g, &RadioGroup::clicked, this, &SettingsPage::placementChanged);
    }
    for (QComboBox* zoom : {cbSSZoom, ComboBox1, cbZoomDifferent, ComboBox2, cbZoomSpan}) {
        connect(zoom, &QComboBox::currentIndexChanged, this, &SettingsPage::placementChanged);
    }
    // The one-monitor page and the "Same" page are the same choice.
    KeepInStep(rgSSPlacement, RadioGroup3);
    KeepInStep(cbSSZoom, ComboBox1);
    KeepInStep(cbSSSmoothScaling, cbSmoothScaling);
    connect(cbSmoothScaling, &QCheckBox::toggled, this, &SettingsPage::placementChanged);
    connect(pnBGColour, &ColourPanel::doubleClicked, this, &SettingsPage::pnBGColourDblClick);
    connect(pnFGColour, &ColourPanel::doubleClicked, this, &SettingsPage::pnFGColourDblClick);
}

QCheckBox* SettingsPage::SmoothScalingBox(const QString& name) {
    auto* box = new QCheckBox(QStringLiteral("Smooth Scaling"), this);
    box->setObjectName(name);
    box->setToolTip(QStringLiteral(
        "Ticking this box blends neighbouring pixels when an image is made smaller or larger, "
        "otherwise whole rows and columns are dropped or repeated."));
    return box;
}

void SettingsPage::KeepInStep(RadioGroup* a, RadioGroup* b) {
    connect(a, &RadioGroup::clicked, b, [a, b] {
        if (b->itemIndex() != a->itemIndex()) {
            b->setItemIndex(a->itemIndex());
        }
    });
    connect(b, &RadioGroup::clicked, a, [a, b] {
        if (a->itemIndex() != b->itemIndex()) {
            a->setItemIndex(b->itemIndex());
        }
    });
}

void SettingsPage::KeepInStep(QComboBox* a, QComboBox* b) {
    connect(a, &QComboBox::currentIndexChanged, b, [b](int index) {
        if (b->currentIndex() != index) {
            b->setCurrentIndex(index);
        }
    });
    connect(b, &QComboBox::currentIndexChanged, a, [a](int index) {
        if (a->currentIndex() != index) {
            a->setCurrentIndex(index);
        }
    });
}

void SettingsPage::KeepInStep(QCheckBox* a, QCheckBox* b) {
    connect(a, &QCheckBox::toggled, b, &QCheckBox::setChecked);
    connect(b, &QCheckBox::toggled, a, &QCheckBox::setChecked);
}

void SettingsPage::ArrangeSettingsPage(int monitorCount) {
    if (monitorCount != 1) {
        return;
    }
    const int d = pcMultiScreen->y() - rgMultiScreen->y();
    for (QWidget* w : {static_cast<QWidget*>(pcSingleScreen), static_cast<QWidget*>(gbMisc),
                       static_cast<QWidget*>(gbSchedule)}) {
        w->move(w->x(), w->y() - d);
    }
    cbEnableScheduler->move(cbEnableScheduler->x(), gbSchedule->y());
    rgMultiScreen->hide();
    pcMultiScreen->hide();
    pcSingleScreen->show();
}

void SettingsPage::ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualDesktop) {
    const MonitorMapLayout layout =
        LayoutMonitorMap({Panel1->width(), Panel1->height()}, monitors, virtualDesktop);
    delete monitorMap;
    monitorMap = new MonitorMap(layout, Panel1);
    // A monitor clicked on the map is the one whose channel the "Different"
    // page shows.
    connect(monitorMap, &MonitorMap::monitorClicked, cbDifferentMonitor,
            &QComboBox::setCurrentIndex);
    monitorMap->show();
    mScreenMetrics->setPlainText(QString::fromStdString(MetricsText(layout)));
}

void SettingsPage::FillMonitorLists(int count) {
    for (QComboBox* list : {cbSingleMonitorToUse, cbDifferentMonitor}) {
        list->clear();
        for (int i = 0; i < count; ++i) {
            list->addItem(QStringLiteral("Monitor %1").arg(i + 1), i);
        }
        list->setCurrentIndex(0);
    }
}

void SettingsPage::ShowMonitorChannels(const Session& session) {
    const QSignalBlocker quiet(cbMonitorChannel);
    cbMonitorChannel->clear();
    cbMonitorChannel->addItem(QStringLiteral("Subscribed Channel"), -1);
    for (const ChannelSession::ChannelListEntry& entry : session.channelList()) {
        cbMonitorChannel->addItem(QString::fromStdString(entry.title), entry.index);
    }
    const int chosen = session.MonitorChannel(std::max(0, cbDifferentMonitor->currentIndex()));
    cbMonitorChannel->setCurrentIndex(std::max(0, cbMonitorChannel->findData(chosen)));
}

void SettingsPage::ShowCacheSize(std::uintmax_t bytes) {
    lCacheSize->setText(QString::fromStdString(CacheSizeText(bytes)));
}

void SettingsPage::ShowHiddenCount(std::size_t count) {
    bnShowHidden->setEnabled(count > 0);
    bnShowHidden->setToolTip(
        count == 0 ? QStringLiteral("No picture is hidden.")
                   : QStringLiteral("%1 picture(s) you asked never to see again. Clicking here "
                                    "lets them come back in the rotation.")
                         .arg(count));
}

void SettingsPage::rgMultiScreenClick() {
    // With no option chosen the page shown stays as it is.
    if (rgMultiScreen->itemIndex() >= 0) {
        pcMultiScreen->setCurrentIndex(rgMultiScreen->itemIndex());
    }
}

void SettingsPage::pcMultiScreenChange() {
    rgMultiScreen->setItemIndex(pcMultiScreen->currentIndex());
}

void SettingsPage::rgPlacementDifferentClick() {
    // Each placement group governs its own zoom box.
    const struct {
        RadioGroup* group;
        QComboBox* zoom;
        QLabel* percent;
    } pairs[] = {{rgPlacementDifferent, cbZoomDifferent, Label3},
                 {rgSSPlacement, cbSSZoom, lSSPercent},
                 {RadioGroup3, ComboBox1, Label5},
                 {RadioGroup1, ComboBox2, Label4},
                 {rgPlacementSpan, cbZoomSpan, lSpanPercent}};
    for (const auto& p : pairs) {
        const bool zoom = p.group->itemIndex() == 3;
        p.zoom->setEnabled(zoom);
        p.percent->setEnabled(zoom);
    }
}

bool SettingsPage::PickColour(ColourPanel* panel) {
    const std::optional<QColor> chosen = ColourDialog::GetColour(this, ToQColor(panel->colour()));
    if (!chosen) {
        return false;
    }
    panel->setColour(FromQColor(*chosen));
    emit colourChanged();
    return true;
}

bool SettingsPage::pnBGColourDblClick() {
    return PickColour(pnBGColour);
}
bool SettingsPage::pnFGColourDblClick() {
    return PickColour(pnFGColour);
}

void SettingsPage::BindSettings(SettingsBinding& b, Session& session) {
    b.Bind(rgMultiScreen, &Settings::multiScreenOpt);
    b.Bind(cbIconTransparancyOverride, &Settings::iconTransparency);
    b.Bind(cbRandomOrder, &Settings::randomOrder);
    b.Bind(cbSingleMonitorToUse, &Settings::activeSingleMonitor);
    b.Bind(cbEnableScheduler, &Settings::enableScheduler);
    b.Bind(cbScheduleType, &Settings::scheduleType);
    b.Bind(seScheduleFrequency, &Settings::scheduleFrequency);
    b.Bind(pnBGColour, &Settings::bgColour);
    b.Bind(pnFGColour, &Settings::fgColour);
    b.Bind(cbBGOverride, &Settings::bgOverride);
    b.Bind(cbIconTextOverride, &Settings::iconTextOverride);
    b.Bind(RadioGroup3, ComboBox1, &Settings::placementSame);
    b.Bind(rgPlacementDifferent, cbZoomDifferent, &Settings::placementDifferent);
    b.Bind(RadioGroup1, ComboBox2, &Settings::placementSingle);
    b.Bind(rgPlacementSpan, cbZoomSpan, &Settings::placementSpan);
    b.Bind(cbSmoothScaling, &Settings::smoothScaling);
    b.Bind(seCacheLimit, &Settings::cacheLimit, Settings::kMegabyte);
    b.Bind(
        cbStartAtLogin, [&session] { return session.StartsAtLogin(); },
        [&session](bool start) { return session.SetStartAtLogin(start); });
    // The zoom boxes follow the placements shown.
    connect(&b, &SettingsBinding::shown, this, &SettingsPage::rgPlacementDifferentClick);
    connect(&b, &SettingsBinding::shown, this,
            [this, &session] { ShowHiddenCount(session.hiddenCount()); });
    connect(&b, &SettingsBinding::shown, this, [this, &session] { ShowMonitorChannels(session); });
    connect(cbDifferentMonitor, &QComboBox::currentIndexChanged, this,
            [this, &session] { ShowMonitorChannels(session); });
    connect(cbMonitorChannel, &QComboBox::activated, this, [this, &session](int entry) {
        session.SetMonitorChannel(std::max(0, cbDifferentMonitor->currentIndex()),
                                  cbMonitorChannel->itemData(entry).toInt());
    });
    connect(bnShowHidden, &QPushButton::clicked, this, [this, &session] {
        session.ShowHiddenPicturesAgain();
        ShowHiddenCount(session.hiddenCount());
    });
}

}  // namespace wylo::app
