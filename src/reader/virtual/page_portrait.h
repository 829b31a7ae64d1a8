#pragma once

// The portrait of a scanned page, cut where the document's layout puts it
// relative to the MRZ.

#include "reader/mrz/mrz_layout.h"
#include "reader/virtual/page_recogniser.h"
#include "reader/virtual/reader_session.h"

namespace readerlink::virtualreader {

// Upright whatever way the page lay; null when the layout shows no portrait
// on the MRZ side (a card's MRZ is on its back) or it falls off the page.
SharedPicture portraitOfPage(const PageScan& scan, mrz::Layout layout);

} // namespace readerlink::virtualreader
