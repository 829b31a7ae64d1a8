#pragma once

// The page recogniser over the reader's own MRZ recognition (built where
// its image library is).

#include "reader/virtual/page_recogniser.h"

namespace readerlink::virtualreader {

PageRecogniser ocrPageRecogniser();

} // namespace readerlink::virtualreader
