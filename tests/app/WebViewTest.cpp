// The web pages, shown by the real helper program.
#include <QSignalSpy>

#include "AppFixture.h"

using namespace wylo;
using namespace wylo::test;

class WebViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void onlyWebAddressesAreShown();
    void helperStartsWhenShownLoadsThePageAndEndsOnRelease();
    void pageOffScreenLetsItsHelperGo();
    void blankViewStartsNoHelper();
};

void WebViewTest::initTestCase() {
    app::WebView::setHelperPath(QStringLiteral(WYLO_WEB_HELPER));
    app::WebView::setHelperEnabled(true);
}

void WebViewTest::onlyWebAddressesAreShown() {
    app::WebView view;
    view.Navigate(QStringLiteral("file:///etc/passwd"));
    QCOMPARE(view.url(), QString());
    view.Navigate(QStringLiteral("javascript:alert(1)"));
    QCOMPARE(view.url(), QString());
    view.Navigate(QStringLiteral("HTTPS://example.com/"));
    QCOMPARE(view.url(), QStringLiteral("HTTPS://example.com/"));
}

void WebViewTest::helperStartsWhenShownLoadsThePageAndEndsOnRelease() {
    TestHttpServer server;
    server.Serve("/news.html", "<html><body><h1>News</h1></body></html>", std::nullopt,
                 "text/html");
    app::WebView view;
    view.resize(320, 240);
    QSignalSpy loaded(&view, &app::WebView::loadFinished);
    view.Navigate(QString::fromStdString(server.Url("/news.html")));
    // Not on screen: nothing started yet.
    QVERIFY(!view.isHelperRunning());
    view.show();
    QVERIFY(view.isHelperRunning());
    QVERIFY(loaded.wait(60000));
    QCOMPARE(loaded.at(0).at(0).toBool(), true);
    QCOMPARE(loaded.at(0).at(1).toString(), QString::fromStdString(server.Url("/news.html")));
    QCOMPARE(server.Count("GET", "/news.html"), 1);
    view.Release();
    QVERIFY(!view.isHelperRunning());
    // Shown again, the page comes back.
    view.hide();
    view.show();
    QVERIFY(view.isHelperRunning());
    QVERIFY(loaded.wait(60000));
    view.Release();
}

void WebViewTest::pageOffScreenLetsItsHelperGo() {
    TestHttpServer server;
    server.Serve("/news.html", "<html><body>News</body></html>", std::nullopt, "text/html");
    app::WebView view;
    view.setIdleRelease(200);
    view.Navigate(QString::fromStdString(server.Url("/news.html")));
    view.show();
    QVERIFY(view.isHelperRunning());
    view.hide();
    QVERIFY(view.isHelperRunning());
    QTRY_VERIFY(!view.isHelperRunning());
    // Back on screen within the time, it keeps its helper.
    view.show();
    view.hide();
    view.show();
    QTest::qWait(400);
    QVERIFY(view.isHelperRunning());
    view.Release();
}

void WebViewTest::blankViewStartsNoHelper() {
    app::WebView view;
    view.show();
    QVERIFY(!view.isHelperRunning());
}

QTEST_MAIN(WebViewTest)
#include "WebViewTest.moc"
