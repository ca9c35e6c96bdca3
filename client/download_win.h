// A plain file download: one GET, never answered from the cache.
#pragma once

#include "text.h"

// The whole body of an HTTP/1.0 GET of address with "Accept: */*"; empty
// when the request fails or the server answers with an error status.
Bytes DownloadBytes(const Text& address);
