// The help texts: a help file loaded and reflowed, and a topic found in a deck's help file.
#include "shell/helptext.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(help) {
    const std::string text = FuzzText(data, size);
    LoadHelpFile(FuzzFile("F.HLP", text));
    ReflowHelpText(FuzzLines(data, size));
    const int topic = size > 0 ? data[0] % 40 : 1;
    std::string found;
    if (FindHelpTopic(text, topic, found)) ReflowTopicText(found);
    TopicHelpText(FuzzDir() + "/F.DCK", topic);
}
