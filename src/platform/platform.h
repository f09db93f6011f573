#pragma once
// Seams to the desktop: everything where the program waits for a person or asks the system.
