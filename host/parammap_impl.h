// Links inside the host layer between parameter blocks and the rollouts that show them.
#pragma once

#include "iparamb2.h"

// A block that is being deleted leaves the rollout that shows it with no block.
void ForgetDeletedBlock(IParamMap2* map, IParamBlock2* block);

// The texture output's rollout in the editor ip: a ParamDlg over the output's block.
ParamDlg* CreateTexOutParamDlg(ReferenceTarget* texout, HWND hwMtlEdit, IMtlParams* ip);
