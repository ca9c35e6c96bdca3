// Resource identifiers of the client's built-in pictures (RCDATA).
#pragma once

#define IDR_DECORATION 201
#define IDR_PREVIEW_LOADING 202
#define IDR_RESULT_LOADING 203
