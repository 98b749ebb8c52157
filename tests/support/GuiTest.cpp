#include "GuiTest.h"

#include <thread>

void PumpEvents(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxTheApp->ProcessPendingEvents();
        // Under a flood the toolkit always has more to dispatch: stop at the
        // deadline so that the caller's own deadline still counts.
        while (wxTheApp->Pending() && std::chrono::steady_clock::now() < end) wxTheApp->Dispatch();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        PumpEvents(2);
    }
    return done();
}

void Click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

void Select(wxChoice* choice, int index) {
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    choice->ProcessWindowEvent(event);
}

void Tick(wxCheckBox* box, bool ticked) {
    box->SetValue(ticked);
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(ticked ? 1 : 0);
    box->ProcessWindowEvent(event);
}
