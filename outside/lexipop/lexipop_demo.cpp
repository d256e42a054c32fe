// lexipop_demo: what `make run` does with the dictionary program the wizard started. It waits
// for the program and its font pattern base and shows a sample window with text; then
//  - nobody at the display: it clicks on a word with the stored gesture's button (SendInput),
//    saves the pop-up over the sample as build/<arch>/screenshots/run-popup.png, clicks
//    elsewhere with the left button and closes the program. Exit code 0 when the pop-up showed
//    the word and went away again.
//  - with --stay (a person at the display): the sample stays up for the person to try until
//    the dictionary program ends.
#include "lxtest.h"
#include "productdriver.h"
#include "productfacts.h"
#include "textract.h"
#include "textwindow.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const bool stay = argc > 1 && std::strcmp(argv[1], "--stay") == 0;
    lxtest::DictionaryDriver dictionary;
    if (!dictionary.Attach(60000)) {
        std::printf("lexipop_demo: the dictionary program is not running\n");
        return 1;
    }
    const char* base = EnginePatternFileName();
    std::printf("lexipop_demo: the dictionary program is running; font pattern base %s\n", base);
    std::fflush(stdout);
    if (!dictionary.WaitReady(base, 300000)) {
        std::printf("lexipop_demo: no font pattern base\n");
        return 1;
    }

    const std::string text = "Lexipop shows the meaning of an apple, an orange or a lemon.";
    lxtest::TextWindow sample(100, 300, 820, 90, RGB(255, 255, 255));
    sample.AddRun({text, "Tahoma", 14, RGB(0, 0, 0), 20, 30});
    sample.Show();
    if (stay) {
        std::printf("lexipop_demo: click on a word of the sample window with the button you chose\n");
        std::fflush(stdout);
        while (!dictionary.Ended())
            lxtest::PumpMessages(500);
        return 0;
    }

    DWORD state = 1, size = sizeof state;
    RegGetValueA(HKEY_CURRENT_USER, lxfacts::kReleaseKeyPath, "bMouseState", RRF_RT_REG_DWORD,
                 nullptr, &state, &size);
    const bool middle = state == 3;
    const POINT word = sample.CenterOf(0, static_cast<int>(text.find("orange")) + 2);
    const POINT paper = {word.x, word.y + 40};
    const bool shown = dictionary.Click(middle ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_RIGHTDOWN,
                                        middle ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_RIGHTUP,
                                        word, "orange");
    std::printf("lexipop_demo: %s click on \"orange\": the pop-up shows \"%s\" \"%s\"\n",
                middle ? "middle" : "right", dictionary.Shown().c_str(),
                dictionary.Meaning().c_str());
    lxtest::PumpMessages(500);  // the highlight of the word settles
    RECT shot = {}, popup = {}, window = {};
    GetWindowRect(dictionary.Popup(), &popup);
    GetWindowRect(sample.Hwnd(), &window);
    UnionRect(&shot, &popup, &window);
    std::printf("lexipop_demo: %s\n", lxtest::SaveScreenPng(shot, "run-popup").c_str());
    const bool hidden = dictionary.Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, paper, "");
    std::printf("lexipop_demo: left click beside it: the pop-up %s\n",
                hidden ? "went away" : "stayed");
    std::printf("lexipop_demo: the dictionary program ended with exit code %d\n",
                dictionary.Close(20000));
    return shown && hidden ? 0 : 1;
}
