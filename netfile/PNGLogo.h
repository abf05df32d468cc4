// The logo: a "PNG" resource of the add-in's module, painted over a placeholder control of a dialog.
#pragma once

#include "framework/dialog.h"
#include "framework/image.h"

#include <windows.h>

// Loads the "PNG" resource into the image. False (image null) when the resource is missing, empty or not a
// picture.
bool LoadPNGFromResourceId(UINT resourceId, CImage& image);

// From a dialog's paint handler: hides the placeholder control and draws the image stretched over its area,
// white being transparent. Nothing happens for a null dialog or image, a minimised dialog or a missing
// placeholder.
void OnPaintPNGLogo(CDialog* dialog, int placeholderId, const CImage* image);
