// TEvent's key constants, defined out of line.
#include "app/event.h"

// Out-of-line definitions, so that the constants may be bound to references.
const int32_t TEvent::kDelete;
const int32_t TEvent::kPaste;
const int32_t TEvent::kTab;
const int32_t TEvent::kEscape;
const int32_t TEvent::kEnter;
const int32_t TEvent::kLeft;
const int32_t TEvent::kRight;
const int32_t TEvent::kUp;
const int32_t TEvent::kDown;
const int32_t TEvent::kBackspace;
const int32_t TEvent::kF1;
const int32_t TEvent::kF2;
const int32_t TEvent::kF3;
const int32_t TEvent::kF4;
const int32_t TEvent::kFunctionKeyUp;
