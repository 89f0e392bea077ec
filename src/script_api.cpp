#include "script_api.h"

#include "credit_store.h"
#include "scroll_control.h"
#include "single_credit.h"
#include "static_sequence.h"

const char script_header[] =
    "import void RunCreditSequence (int sequence);\r\n"
    "import void SetCredit (int sequence, int line, string credit, int x_pos, int font, int colour);\r\n"
    "import string GetCredit (int sequence, int line);\r\n"
    "import void CreditsSettings (int empty_line_height);\r\n"
    "import void SequenceSettings (int sequence, int startpoint, int endpoint, int speed, int automatic, "
    "int endwait);\r\n"
    "import int IsSequenceFinished (int sequence);\r\n"
    "import void PauseScrolling ();\r\n"
    "import void SetCreditImage (int sequence, int line, int x_pos, int slot, int height);\r\n"
    "import void SetStaticCredit (int sequence, int id, string credit, int x_pos, int y_pos, int font, "
    "int colour);\r\n"
    "import void SetStaticCreditTitle (int sequence, int id, string title, int x_pos, int y_pos, int font, "
    "int colour);\r\n"
    "import void SetStaticPause (int sequence, int id, int time);\r\n"
    "import void RunStaticCreditSequence (int sequence, int speed);\r\n"
    "import int IsStaticSequenceFinished (int sequence);\r\n"
    "import void ShowStaticCredit (int sequence, int id, int time, int style, int style_settings1, "
    "int style_settings2);\r\n"
    "import void SetStaticImage (int sequence, int id, int slot, int x_pos, int y_pos, int time);\r\n"
    "import int GetCurrentStaticCredit (int sequence);\r\n";

namespace {

template <typename Function>
void *handler(Function *function) {
  return reinterpret_cast<void *>(function);
}

}  // namespace

const ScriptFunction script_function_table[SCRIPT_FUNCTION_COUNT] = {
    {"RunCreditSequence", handler(RunCreditSequence)},
    {"SetCredit", handler(SetCredit)},
    {"GetCredit", handler(GetCredit)},
    {"CreditsSettings", handler(CreditsSettings)},
    {"SequenceSettings", handler(SequenceSettings)},
    {"IsSequenceFinished", handler(IsSequenceFinished)},
    {"PauseScrolling", handler(PauseScrolling)},
    {"SetCreditImage", handler(SetCreditImage)},
    {"SetStaticCredit", handler(SetStaticCredit)},
    {"SetStaticCreditTitle", handler(SetStaticCreditTitle)},
    {"SetStaticPause", handler(SetStaticPause)},
    {"RunStaticCreditSequence", handler(RunStaticCreditSequence)},
    {"IsStaticSequenceFinished", handler(IsStaticSequenceFinished)},
    {"ShowStaticCredit", handler(ShowStaticCredit)},
    {"SetStaticImage", handler(SetStaticImage)},
    {"GetCurrentStaticCredit", handler(GetCurrentStaticCredit)},
};
