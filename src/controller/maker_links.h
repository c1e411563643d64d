#pragma once

// The maker's host names, in one place: the About links and the caption of
// the web site label use them.
constexpr const char* kMakerWebSiteHost = "www.morwen.example";
constexpr const char* kMakerShopHost = "shop.morwen.example";
constexpr const char* kMakerStoreHost = "store.morwen.example";
