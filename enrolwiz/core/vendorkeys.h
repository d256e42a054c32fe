// Names every part of the product agrees on: the vendor key of the registry, the two keys
// the settings live in, the local database and the anonymous user.
#pragma once

// The vendor key: a single key under "Software" named after the maker's web domain.
#define LX_VENDOR_KEY "norvanta.com"

namespace lxkeys {

constexpr const char* kVendorKey = LX_VENDOR_KEY;
// HKEY_CURRENT_USER: the release key (the product's settings) and the product key.
constexpr const char* kReleaseKeyPath = "Software\\" LX_VENDOR_KEY "\\release 2.9";
constexpr const char* kReleaseKeyName = "release 2.9";
constexpr const char* kProductKeyPath = "Software\\Lexipop";

// Local database and the folder of the engine library, both relative to the current folder.
constexpr const char* kDatabaseDir = "./data/admin";
constexpr const char* kDatabaseFile = "./data/admin/system.pwl";
constexpr const char* kEngineDir = "./";

// The user that is current before anybody has signed in.
constexpr const char* kAnonymousUser = "anonymous@" LX_VENDOR_KEY;
constexpr const char* kAnonymousPassword = "7351";

}  // namespace lxkeys
