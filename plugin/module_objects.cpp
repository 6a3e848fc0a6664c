// The module-level descriptors live in this one translation unit so that they are built in
// a fixed order: the class descriptor first, then "Mapping", then "params", both of which
// register with the class descriptor as they are built.
#include "coords/xyz_desc.h"
#include "map/params_desc.h"
#include "plugin/class_desc.h"
#include "plugin/module.h"

namespace {

QuorvScratchesClassDesc quorvScratchesDesc;
XYZ_Desc xyzDesc(&quorvScratchesDesc, 0, 2, 0, APPENDROLL_CLOSED);
ScratchParamsDesc paramsDesc(&quorvScratchesDesc);

}  // namespace

ClassDesc2* GetQuorvScratchesDesc() {
    return &quorvScratchesDesc;
}
ParamBlockDesc2* GetXYZParamBlockDesc() {
    return &xyzDesc;
}
ParamBlockDesc2* GetScratchParamBlockDesc() {
    return &paramsDesc;
}
