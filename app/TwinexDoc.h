// The document. It holds nothing: search results live in the result view and are gone when the
// program ends, so nothing is ever saved and closing never asks to.
#pragma once

class CTwinexDoc {
public:
    bool OnNewDocument() { return true; }
};
