#include "files/Overlay.h"

#include "LiveScripts.h"

std::string OverlayPage() {
    std::string page = R"(<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<title>Overlay</title>
</head>
<body>
<script>
)";
    page += kLiveScript;
    page += kOverlayScript;
    page += "</script>\n</body>\n</html>\n";
    return page;
}
