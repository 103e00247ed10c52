#include "recordingboxes.h"
