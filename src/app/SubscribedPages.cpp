#include "app/SubscribedPages.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/ImagesList.h"
#include "app/WebView.h"

namespace wylo::app {
namespace {

QLabel* TitleLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(19);
    font.setBold(true);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* CopyrightLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

NewsPage::NewsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsChannelNews"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    lNewsChannelTitle =
        TitleLabel(QStringLiteral("lNewsChannelTitle"), QStringLiteral("Channel Title"), this);
    wbBrowser = new WebView(this);
    wbBrowser->setObjectName(QStringLiteral("wbBrowser"));
    lNewsChannelCopyright = CopyrightLabel(QStringLiteral("lNewsChannelCopyright"),
                                           QStringLiteral("Channel Copyright"), this);
    layout->addWidget(lNewsChannelTitle);
    layout->addWidget(wbBrowser, 1);
    layout->addWidget(lNewsChannelCopyright);
}

ImagesPage::ImagesPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsCurrentChannel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    lTitle = TitleLabel(QStringLiteral("lTitle"), QStringLiteral("Channel Title"), this);
    lbImages = new ImagesList(this);
    lbImages->setObjectName(QStringLiteral("lbImages"));
    lCopyright =
        CopyrightLabel(QStringLiteral("lCopyright"), QStringLiteral("Channel Copyright"), this);
    layout->addWidget(lTitle);
    layout->addWidget(lbImages, 1);
    layout->addWidget(lCopyright);
}

}  // namespace wylo::app
