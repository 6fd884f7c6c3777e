#pragma once
// OLE on the calling thread, and with it COM's single-threaded apartment, for as long as the
// owner lives: the help window's drop target needs OLE, its web view the apartment.
#include <ole2.h>

namespace tarven {

class OleApartment {
public:
    OleApartment() : entered_(::OleInitialize(nullptr)) {}
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;
    ~OleApartment() {
        if (SUCCEEDED(entered_)) ::OleUninitialize();
    }

    // S_OK, S_FALSE when the thread had it already, or why it could not be entered.
    HRESULT result() const { return entered_; }

private:
    HRESULT entered_;
};

}  // namespace tarven
