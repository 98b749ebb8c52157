// Placeholder; replaced as the virtual board is built.
#pragma once
