#pragma once
// The document of the document/view pair. It holds nothing: the list lives in
// the view. Opening a document (a file named on the command line) only opens
// and closes the file.

#include <string>

class CZentravolixDoc {
 public:
  // A new, empty document.
  bool OnNewDocument() { return true; }
  // Opens the file and closes it again without reading; false (after the
  // message) when it cannot be opened.
  bool OnOpenDocument(const std::string& path);
};
