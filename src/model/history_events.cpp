#include "model/history_events.h"
