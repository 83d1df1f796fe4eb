// Everything a host of Quenloft includes.
#ifndef QUENLOFT_QUENLOFT_H
#define QUENLOFT_QUENLOFT_H

#include "quenloft/config.h"
#include "quenloft/conventions.h"
#include "quenloft/exports.h"
#include "quenloft/guid.h"
#include "quenloft/iids.h"
#include "quenloft/interfaces.h"
#include "quenloft/result_codes.h"

#endif  // QUENLOFT_QUENLOFT_H
