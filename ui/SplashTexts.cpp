#include "ui/SplashTexts.h"

#include <QStringList>

QString CreditsText()
{
    return QStringList{
        "Made for Orvendal CardBay and FlashDock drives",
        "Orvendal",
        "Harbour Road 7, 4410 Norrvik",
        "https://www.orvendal.example",
        "",
        "Developed by the Orvendal tools team",
        "Support: support@orvendal.example",
        "",
        "Uses 'zlib' compression library developed by",
        "Jean-loup Gailly and Mark Adler - https://zlib.net",
    }
        .join("\r\n");
}

QString CopyrightLine()
{
    return "Copyright (c) 2005 Orvendal. All rights reserved.";
}
