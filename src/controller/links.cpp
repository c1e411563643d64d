// The About tab's links, handed to the desktop's browser.

#include "controller/busy_cursor.h"
#include "controller/maker_links.h"
#include "controller/program_info.h"
#include "controller/tformtarvik.h"

void TFormTarvik::OpenInBrowser(const QString& url)
{
    const TBusyCursor busy;
    Desktop().OpenUrl(url);
}

void TFormTarvik::LabelProducentWebsiteClick()
{
    OpenInBrowser(QStringLiteral("http://%1/index_en.php").arg(QLatin1String(kMakerWebSiteHost)));
}

void TFormTarvik::LabelCheckVersionClick()
{
    OpenInBrowser(QString::asprintf("http://%s/html/tarvik_version.php?lang=en&version=%.1f", kMakerShopHost, ProgramVersion));
}

void TFormTarvik::LabelAboutWebsiteClick()
{
    OpenInBrowser(QStringLiteral("http://%1/tarvik_about.html").arg(QLatin1String(kMakerStoreHost)));
}
