#pragma once

// Answer of a permission check; the numeric values are those the platforms report.
enum class AuthorizationStatus : int { notDetermined = 0, restricted = 1, denied = 2, authorized = 3 };
