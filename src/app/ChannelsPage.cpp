#include "app/ChannelsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/WebView.h"

namespace wylo::app {
namespace {

QToolButton* PictureButton(const QString& name, const QString& text, const QIcon& icon,
                           QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(70, 70);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace

PreviewImage::PreviewImage(QWidget* parent) : QWidget(parent) {}

void PreviewImage::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PreviewImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    p.drawImage(target, picture_);
}

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsWelcome"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    wbWelcome = new WebView(this);
    wbWelcome->setObjectName(QStringLiteral("wbWelcome"));
    layout->addWidget(wbWelcome);
}

ChannelsPage::ChannelsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsChannels"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* channels = new QGroupBox(QStringLiteral("Channels"), this);
    auto* channelsRow = new QHBoxLayout(channels);
    cbProviders = new QComboBox(channels);
    cbProviders->setObjectName(QStringLiteral("cbProviders"));
    cbProviders->setEditable(false);
    cbProviders->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    sbRefresh = new QToolButton(channels);
    sbRefresh->setObjectName(QStringLiteral("sbRefresh"));
    sbRefresh->setIcon(RefreshIcon());
    sbRefresh->setIconSize(QSize(16, 16));
    sbRefresh->setText(QStringLiteral("Refresh"));
    sbRefresh->setToolTip(QStringLiteral("Fetch the channel list again"));
    sbRefresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sbRefresh->setFocusPolicy(Qt::StrongFocus);
    sbAdd = new QToolButton(channels);
    sbAdd->setObjectName(QStringLiteral("sbAdd"));
    sbAdd->setText(QStringLiteral("Add"));
    sbAdd->setToolTip(QStringLiteral("Add a photo feed or a folder of photos as a channel"));
    sbAdd->setPopupMode(QToolButton::InstantPopup);
    sbAdd->setFocusPolicy(Qt::StrongFocus);
    auto* addMenu = new QMenu(sbAdd);
    acAddAddress = addMenu->addAction(QStringLiteral("Add Address..."));
    acAddAddress->setObjectName(QStringLiteral("acAddAddress"));
    acAddFolder = addMenu->addAction(QStringLiteral("Add Folder..."));
    acAddFolder->setObjectName(QStringLiteral("acAddFolder"));
    sbAdd->setMenu(addMenu);
    sbRemove = new QToolButton(channels);
    sbRemove->setObjectName(QStringLiteral("sbRemove"));
    sbRemove->setText(QStringLiteral("Remove"));
    sbRemove->setToolTip(QStringLiteral("Remove this channel from the list"));
    sbRemove->setFocusPolicy(Qt::StrongFocus);
    sbRemove->hide();
    channelsRow->addWidget(cbProviders, 1);
    channelsRow->addWidget(sbRefresh);
    channelsRow->addWidget(sbAdd);
    channelsRow->addWidget(sbRemove);
    layout->addWidget(channels);

    auto* details = new QGroupBox(QStringLiteral("Details"), this);
    auto* grid = new QGridLayout(details);
    auto* nameLabel = new QLabel(QStringLiteral("Channel Name"), details);
    edTitle = new QLineEdit(details);
    edTitle->setObjectName(QStringLiteral("edTitle"));
    edTitle->setReadOnly(true);
    nameLabel->setBuddy(edTitle);
    auto* descriptionLabel = new QLabel(QStringLiteral("Channel Description"), details);
    edDescription = new QPlainTextEdit(details);
    edDescription->setObjectName(QStringLiteral("edDescription"));
    edDescription->setReadOnly(true);
    edDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edDescription->setTabChangesFocus(true);
    descriptionLabel->setBuddy(edDescription);

    iPreview = new PreviewImage(details);
    iPreview->setObjectName(QStringLiteral("iPreview"));
    iPreview->setMinimumSize(240, 180);

    sbSubscribe = PictureButton(QStringLiteral("sbSubscribe"), QStringLiteral("Subscribe"),
                                SubscribeIcon(), details);
    sbSubscribe->setToolTip(QStringLiteral("Use this channel's pictures for the desktop"));
    sbSubscribe->hide();
    sbTerms =
        PictureButton(QStringLiteral("sbTerms"), QStringLiteral("Terms"), TermsIcon(), details);
    sbTerms->setToolTip(QStringLiteral("Read the channel's terms in your browser"));
    sbTerms->hide();

    cbSubscription = new QCheckBox(QStringLiteral("Subscription Required"), details);
    cbSubscription->setObjectName(QStringLiteral("cbSubscription"));
    cbSubscription->setEnabled(false);
    cbSubscription->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sbSubscribe);
    buttons->addWidget(sbTerms);

    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(edTitle, 1, 0);
    grid->addWidget(descriptionLabel, 2, 0);
    grid->addWidget(edDescription, 3, 0, 2, 1);
    grid->addWidget(iPreview, 0, 1, 4, 1);
    grid->addLayout(buttons, 4, 1, Qt::AlignBottom);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    layout->addWidget(details, 1);
}

}  // namespace wylo::app

namespace wylo::app {

void ChannelsPage::MarkSubscribedChannel(int channel) {
    markedChannel_ = channel;
    for (int i = 0; i < cbProviders->count(); ++i) {
        const bool subscribed = channel >= 0 && cbProviders->itemData(i).toInt() == channel;
        cbProviders->setItemIcon(i, subscribed ? SubscribedMarkIcon() : QIcon());
        QFont font = cbProviders->font();
        font.setBold(subscribed);
        cbProviders->setItemData(i, subscribed ? QVariant(font) : QVariant(), Qt::FontRole);
        cbProviders->setItemData(
            i,
            subscribed ? QVariant(QStringLiteral("You are subscribed to this channel"))
                       : QVariant(),
            Qt::ToolTipRole);
    }
}

}  // namespace wylo::app
