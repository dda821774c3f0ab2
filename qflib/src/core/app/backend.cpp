#include "app/backend.h"

TBackend::~TBackend() = default;
