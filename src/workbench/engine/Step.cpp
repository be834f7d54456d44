#include "workbench/engine/Step.h"
