// Where the update check sends the user: the maker's web server and the page that compares versions.
// The one place the server's address is written.
#pragma once

#define QORV_MAKER_WEB_SERVER "https://www.lumenkraft.com"

namespace iplugin
{
// Formatted with the product name and the version; the address holds at most 1,024 characters.
constexpr const char* kUpdatePageAddressFormat =
    QORV_MAKER_WEB_SERVER "/productversioncheck?product=%s&version=%s";
constexpr int kUpdatePageAddressMax = 1024;

// The version text the about box shows and the update page is asked about.
constexpr const char* kQorvVersionText = "2.1.2";
} // namespace iplugin
