// The host function names, grouped by family in binding order.
// X(name, Nodora, Mirel, Causalis, Latmap, typed, return type, parameters)
// A 1 in a deliverable's column means that deliverable binds the name.
// Names no plug-in calls are untyped (typed = 0): the table still holds their
// address, but nothing calls through them.
// Buffers a host function writes text into (paths, file dialogs, string
// parameters) must hold at least tl::kPathCapacity bytes.
#pragma once

#include "frame/host_records.h"

#define TALVORA_HOST_FUNCTIONS(X)                                                                      \
    /* Version and paths */                                                                            \
    X(hxGetVersionOfTalvoraHX, 1, 0, 0, 0, 1, void, (int* major, int* minor, int* patch))              \
    X(hxGetTalvoraHXPath, 1, 0, 0, 0, 1, int, (char* path))                                            \
    X(tlGetVersionOfTalvora, 0, 1, 1, 1, 1, void, (int* major, int* minor, int* patch))                \
    X(tlGetTalvoraPath, 0, 1, 1, 1, 1, int, (char* path))                                              \
    X(hxGetPluginsPath, 1, 1, 1, 1, 1, int, (char* path))                                              \
    /* Log */                                                                                          \
    X(hxShowLogPane, 1, 1, 1, 1, 1, void, ())                                                          \
    X(hxShowLogTab, 1, 1, 1, 1, 1, void, ())                                                           \
    X(hxLogText, 1, 1, 1, 1, 1, void, (const char* text))                                              \
    /* Messages, input and cursor */                                                                   \
    X(hxMessageBox, 1, 1, 1, 1, 1, void, (const char* text))                                           \
    X(hxYesNoMessageBox, 1, 1, 1, 1, 1, int, (const char* question))                                   \
    X(hxGetIntegerInput, 1, 1, 1, 1, 1, int,                                                           \
      (const char* prompt, int defaultValue, int minimum, int maximum))                                \
    X(hxGetFloatInput, 1, 1, 1, 1, 1, float,                                                           \
      (const char* prompt, float defaultValue, float minimum, float maximum))                          \
    X(hxGetTextInput, 1, 1, 1, 1, 1, int, (const char* prompt, const char* defaultText, char* result)) \
    X(hxGetOpenFileName, 1, 1, 1, 1, 1, int,                                                           \
      (const char* title, const char* startFolder, const char* filter, char* result))                  \
    X(hxGetSaveFileName, 1, 1, 1, 1, 1, int,                                                           \
      (const char* title, const char* startFolder, const char* filter, char* result))                  \
    X(hxUpdateActiveWindow, 1, 1, 1, 1, 1, void, ())                                                   \
    X(hxShowBusyCursor, 1, 1, 1, 1, 1, void, ())                                                       \
    X(hxStopBusyCursor, 1, 1, 1, 1, 1, void, ())                                                       \
    /* Plots */                                                                                        \
    X(hxCloseAllPlots, 1, 1, 0, 1, 0, void, ())                                                        \
    X(hxPlotPoints, 1, 1, 0, 1, 0, void, ())                                                           \
    X(hxAddPointsToPlot, 1, 1, 0, 1, 0, void, ())                                                      \
    X(hxPlotLine, 1, 1, 0, 1, 0, void, ())                                                             \
    X(hxAddLineToPlot, 1, 1, 0, 1, 0, void, ())                                                        \
    X(hxPlotBars, 1, 1, 0, 1, 0, void, ())                                                             \
    X(hxAddBarsToPlot, 1, 1, 0, 1, 0, void, ())                                                        \
    X(hxShowPlotAtPosition, 1, 1, 0, 1, 0, void, ())                                                   \
    X(hxResizePlot, 1, 1, 0, 1, 0, void, ())                                                           \
    X(hxSetBarPlotXAxisCategories, 1, 1, 0, 1, 0, void, ())                                            \
    X(hxSetPlotXAxisRange, 1, 1, 0, 1, 0, void, ())                                                    \
    X(hxSetPlotYAxisRange, 1, 1, 0, 1, 0, void, ())                                                    \
    X(hxSetPlotXAxisTitle, 1, 1, 0, 1, 0, void, ())                                                    \
    X(hxSetPlotYAxisTitle, 1, 1, 0, 1, 0, void, ())                                                    \
    X(hxSetPlotXAxisProperties, 1, 1, 0, 1, 0, void, ())                                               \
    X(hxSetPlotYAxisProperties, 1, 1, 0, 1, 0, void, ())                                               \
    X(hxSetPlotTitle, 1, 1, 0, 1, 0, void, ())                                                         \
    X(hxSetPlotMarkerSizeAndColor, 1, 1, 0, 1, 0, void, ())                                            \
    X(hxSetPlotLineSizeAndColor, 1, 1, 0, 1, 0, void, ())                                              \
    X(hxSetPlotBarColors, 1, 1, 0, 1, 0, void, ())                                                     \
    X(hxSetPlotFontSizes, 1, 1, 0, 1, 0, void, ())                                                     \
    X(hxShowPlotLegend, 1, 1, 0, 1, 0, void, ())                                                       \
    X(hxSetPlotColorTheme, 1, 1, 0, 1, 0, void, ())                                                    \
    /* Workspace documents */                                                                          \
    X(hxGetNumberOfDocsInWorkspace, 1, 1, 1, 1, 0, void, ())                                           \
    X(hxGetDocumentType, 1, 1, 1, 1, 0, void, ())                                                      \
    X(hxGetDocumentTypeName, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxGetIDOfCurrentDocument, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxSetAsCurrentDocument, 1, 1, 1, 1, 0, void, ())                                                 \
    /* Tools */                                                                                        \
    X(hxCalculateIAMatrix, 1, 1, 1, 1, 0, void, ())                                                    \
    X(hxGetTRFParametersFromVolumeToolsDlg, 1, 1, 1, 1, 0, void, ())                                   \
    /* Functional project (FMR) and its slice time courses (STC) */                                    \
    X(hxGetHeaderOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxSetHeaderOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxGetSTCFloatDataOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                          \
    X(hxGetSTCIntDataOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                            \
    X(hxGetSTCDataOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxSaveFMR, 1, 1, 1, 1, 0, void, ())                                                              \
    X(hxSaveFMRAndSTC, 1, 1, 1, 1, 0, void, ())                                                        \
    X(hxGetScannerPositionHeaderOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                 \
    X(hxSetScannerPositionHeaderOfCurrentFMR, 1, 1, 1, 1, 0, void, ())                                 \
    /* Diffusion project (DMR) and its weighted images (DWI) */                                        \
    X(hxGetHeaderOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxSetHeaderOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxGetDWIFloatDataOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                          \
    X(hxGetDWIIntDataOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                            \
    X(hxGetDWIDataOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxConvertDWIFormatOfCurrentDMR, 1, 1, 1, 1, 0, void, ())                                         \
    X(hxSaveDMR, 1, 1, 1, 1, 0, void, ())                                                              \
    X(hxSaveDMRAndDWI, 1, 1, 1, 1, 0, void, ())                                                        \
    /* Maps of the functional project */                                                               \
    X(hxGetMAPOfCurrentFMR, 1, 1, 0, 1, 1, float**, (tl::FMRMapRecord * map))                          \
    X(hxSetMAPParametersOfCurrentFMR, 1, 1, 0, 1, 1, int, (tl::FMRMapRecord * map))                    \
    X(hxDeleteMAPsOfCurrentFMR, 1, 1, 0, 1, 0, void, ())                                               \
    X(hxLoadMAPsToCurrentFMR, 1, 1, 0, 1, 1, int, (const char* path))                                  \
    X(hxSaveMAPsOfCurrentFMR, 1, 1, 0, 1, 1, int, (const char* path))                                  \
    X(hxCreateMAPForCurrentFMR, 1, 1, 0, 1, 1, int, ())                                                \
    /* Anatomical volume (VMR) */                                                                      \
    X(hxGetCurrentVMR, 1, 1, 1, 1, 1, int, (int* dimX, int* dimY, int* dimZ))                          \
    X(hxGetMainHeaderOfCurrentVMR, 1, 1, 1, 1, 1, int, (tl::VMRMainHeaderRecord * header))             \
    X(hxSetMainHeaderOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                            \
    X(hxGetScannerPositionHeaderOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                 \
    X(hxSetScannerPositionHeaderOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                 \
    X(hxGetPastTransformationsHeaderOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                             \
    X(hxSetPastTransformationsHeaderOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                             \
    X(hxReframeCurrentVMR, 1, 1, 1, 1, 0, void, ())                                                    \
    X(hxGetCrossPositionOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                         \
    /* 16-bit companion volume (V16) */                                                                \
    X(hxGetV16OfCurrentVMR, 1, 0, 0, 0, 0, void, ())                                                   \
    X(hxLoadV16ToCurrentVMR, 1, 0, 0, 0, 0, void, ())                                                  \
    X(hxSaveV16OfCurrentVMR, 1, 0, 0, 0, 0, void, ())                                                  \
    X(hxDetachV16FromCurrentVMR, 1, 0, 0, 0, 0, void, ())                                              \
    X(hxConvertV16ToVMR, 1, 0, 0, 0, 0, void, ())                                                      \
    /* Volume maps in functional resolution (NR-VMP) */                                                \
    X(hxGetNRVMPsOfCurrentVMR, 1, 1, 1, 1, 1, int, (tl::NRVMPSetRecord * set))                         \
    X(hxGetNRVMPOfCurrentVMR, 1, 1, 1, 1, 1, float*, (int index, tl::NRVMPRecord* map))                \
    X(hxSetNRVMPParametersOfCurrentVMR, 1, 1, 1, 1, 1, int, (int index, tl::NRVMPRecord* map))         \
    X(hxLoadNRVMPsToCurrentVMR, 1, 1, 1, 1, 1, int, (const char* path))                                \
    X(hxAddNRVMPsToCurrentVMR, 1, 1, 1, 1, 1, int, (const char* path))                                 \
    X(hxSaveNRVMPsOfCurrentVMR, 1, 1, 1, 1, 1, int, (const char* path))                                \
    X(hxCreateNRVMPsForCurrentVMR, 1, 1, 1, 1, 1, int,                                                 \
      (int nrOfMaps, int option, int nrOfThresholds, tl::NRVMPSetRecord* set))                         \
    X(hxDeleteNRVMPsOfCurrentVMR, 1, 1, 1, 1, 1, int, ())                                              \
    X(hxDeleteNRVMPMap, 1, 1, 1, 1, 1, int, (int index))                                               \
    X(hxSetNRVMPsParamsDisplayRange, 1, 1, 1, 1, 0, void, ())                                          \
    /* Volume maps in anatomical resolution (AR-VMP) */                                                \
    X(hxGetARVMPsOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxGetARVMPOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                                 \
    X(hxSetARVMPParametersOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                       \
    X(hxLoadARVMPsToCurrentVMR, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxSaveARVMPsOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxCreateARVMPsForCurrentVMR, 1, 1, 1, 1, 0, void, ())                                            \
    X(hxDeleteARVMPsOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                             \
    /* Volume time courses (VTC) */                                                                    \
    X(hxLinkVTCToCurrentVMR, 1, 1, 1, 1, 1, int, (const char* path, int index))                        \
    X(hxCreateVTCForCurrentVMR, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxGetHeaderOfVTCOfCurrentVMR, 1, 1, 1, 1, 1, int, (tl::VTCHeaderRecord * header))                \
    X(hxSetHeaderOfVTCOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                           \
    X(hxGetVTCOfCurrentVMR, 1, 1, 1, 1, 1, int, (tl::VTCHeaderRecord * header))                        \
    X(hxGetVTCFloatDataOfCurrentVMR, 1, 1, 1, 1, 1, float*, ())                                        \
    X(hxGetVTCIntDataOfCurrentVMR, 1, 1, 1, 1, 1, unsigned short*, ())                                 \
    X(hxSetVTCParametersOfCurrentVMR, 1, 1, 1, 1, 1, int, (tl::VTCHeaderRecord * header))              \
    X(hxSaveVTCOfCurrentVMR, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxClearMultiVTCAnalysis, 1, 1, 1, 1, 1, void, ())                                                \
    X(hxAddVTCRefForMultiVTCAnalysis, 1, 1, 1, 1, 1, int, (const char* path))                          \
    X(hxGetVoxelTimeCourseOfVTC, 1, 1, 1, 1, 1, int, (int vtcIndex, int voxelIndex, float* values))    \
    X(hxGetVoxelTimeCourseOfVTCs, 1, 1, 1, 1, 0, void, ())                                             \
    X(hxGetVoxelCoordsTimeCourseOfVTC, 1, 1, 1, 1, 0, void, ())                                        \
    X(hxGetVoxelCoordsTimeCourseOfVTCs, 1, 1, 1, 1, 0, void, ())                                       \
    /* GLM and mask */                                                                                 \
    X(hxGetGLMOfCurrentVMR, 1, 1, 1, 1, 1, float*, (tl::GLMRecord * glm))                              \
    X(hxLoadMaskToCurrentVMR, 1, 1, 1, 1, 1, int, (const char* path))                                  \
    X(hxGetMaskOfCurrentVMR, 1, 1, 1, 1, 1, unsigned char*, ())                                        \
    X(hxGetGLMContrastsOfCurrentVMR, 1, 1, 0, 1, 0, void, ())                                          \
    /* Scene */                                                                                        \
    X(hxGetScene, 1, 1, 1, 1, 0, void, ())                                                             \
    /* Surfaces (SRF) */                                                                               \
    X(hxLoadSRF, 1, 1, 0, 1, 0, void, ())                                                              \
    X(hxAddSRF, 1, 1, 0, 1, 0, void, ())                                                               \
    X(hxRemoveCurrentSRF, 1, 1, 0, 1, 0, void, ())                                                     \
    X(hxGetCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                        \
    X(hxReleaseSRFAccess, 1, 1, 1, 1, 0, void, ())                                                     \
    X(hxSaveCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                       \
    X(hxSetCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                        \
    /* Mesh time courses (MTC) */                                                                      \
    X(hxLinkMTCToCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxGetMTCOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                   \
    X(hxSetMTCParametersOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                         \
    X(hxCreateMTCForCurrentSRF, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxSaveMTCOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxClearMultiMTCRefsOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                        \
    X(hxAddMultiMTCRefToCurrentSRF, 1, 1, 1, 1, 0, void, ())                                           \
    X(hxGetVertexTimeCourseOfMTC, 1, 1, 1, 1, 0, void, ())                                             \
    X(hxGetVertexTimeCourseOfAllMTCs, 1, 1, 1, 1, 0, void, ())                                         \
    /* Surface maps (SMP) */                                                                           \
    X(hxGetSMPsOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxGetSMPOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                   \
    X(hxSetSMPParametersOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                         \
    X(hxLoadSMPsToCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                 \
    X(hxSaveSMPsOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                 \
    X(hxCreateSMPForCurrentSRF, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxDeleteSMPsOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxOverlaySMPsOnSRF, 1, 1, 1, 1, 0, void, ())                                                     \
    /* Surface-to-surface maps (SSM) */                                                                \
    X(hxGetSSMOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                   \
    X(hxLoadSSMToCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxSaveSSMOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                  \
    X(hxCreateSSMForCurrentSRF, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxDeleteSSMOfCurrentSRF, 1, 1, 1, 1, 0, void, ())                                                \
    /* Stimulation protocol */                                                                         \
    X(hxClearProtocol, 1, 1, 1, 1, 0, void, ())                                                        \
    X(hxLoadProtocol, 1, 1, 1, 1, 0, void, ())                                                         \
    X(hxSaveProtocol, 1, 1, 1, 1, 0, void, ())                                                         \
    X(hxGetProtocol, 1, 1, 1, 1, 1, int, (tl::ProtocolRecord * protocol))                              \
    X(hxSetProtocol, 1, 1, 1, 1, 0, void, ())                                                          \
    X(hxGetProtocolCondition, 1, 1, 1, 1, 1, int, (int index, tl::ProtocolConditionRecord* condition)) \
    X(hxAddProtocolCondition, 1, 1, 1, 1, 0, void, ())                                                 \
    X(hxAddProtocolConditionInterval, 1, 1, 1, 1, 0, void, ())                                         \
    /* Design matrix */                                                                                \
    X(hxClearDesignMatrix, 1, 1, 1, 1, 0, void, ())                                                    \
    X(hxAddPredictor, 1, 1, 1, 1, 0, void, ())                                                         \
    X(hxSetPredictorValuesFromCondition, 1, 1, 1, 1, 0, void, ())                                      \
    X(hxSetPredictorValuesFromConditionName, 1, 1, 1, 1, 0, void, ())                                  \
    X(hxApplyTwoGammaHRFToPredictor, 1, 1, 1, 1, 0, void, ())                                          \
    X(hxApplyTwoGammaHRFToPredictorWithName, 1, 1, 1, 1, 0, void, ())                                  \
    X(hxApplyBoyntonHRFToPredictor, 1, 1, 1, 1, 0, void, ())                                           \
    X(hxApplyBoyntonHRFToPredictorWithName, 1, 1, 1, 1, 0, void, ())                                   \
    X(hxGetPredictor, 1, 1, 1, 1, 0, void, ())                                                         \
    X(hxGetPredictorByName, 1, 1, 1, 1, 0, void, ())                                                   \
    X(hxLoadSingleStudyGLMDesignMatrix, 1, 1, 1, 1, 0, void, ())                                       \
    X(hxSaveSingleStudyGLMDesignMatrix, 1, 1, 1, 1, 0, void, ())                                       \
    /* Volumes and points of interest (VOI, POI) */                                                    \
    X(hxLoadVOIs, 1, 1, 1, 1, 1, int, (const char* path))                                              \
    X(hxSaveVOIs, 1, 1, 1, 1, 0, void, ())                                                             \
    X(hxGetVOIs, 1, 1, 1, 1, 1, int, (tl::VOISetRecord * set))                                         \
    X(hxGetVOI, 1, 1, 1, 1, 1, int*, (int index, tl::VOIRecord* voi))                                  \
    X(hxLoadPOIs, 1, 1, 1, 1, 0, void, ())                                                             \
    X(hxSavePOIs, 1, 1, 1, 1, 0, void, ())                                                             \
    X(hxGetPOIs, 1, 1, 1, 1, 0, void, ())                                                              \
    X(hxGetPOI, 1, 1, 1, 1, 0, void, ())                                                               \
    /* Script and dialog parameters */                                                                 \
    X(hxGetStringParameter, 1, 1, 1, 1, 1, int, (const char* name, char* value))                       \
    X(hxGetIntParameter, 1, 1, 1, 1, 1, int, (const char* name))                                       \
    X(hxGetFloatParameter, 1, 1, 1, 1, 1, float, (const char* name))                                   \
    X(hxSetStringParameter, 1, 1, 1, 1, 1, void, (const char* name, const char* value))                \
    X(hxSetIntParameter, 1, 1, 1, 1, 1, void, (const char* name, int value))                           \
    X(hxSetFloatParameter, 1, 1, 1, 1, 1, void, (const char* name, float value))                       \
    X(hxGetDlgStringParameter, 1, 1, 1, 1, 0, void, ())                                                \
    X(hxGetDlgIntegerParameter, 1, 1, 1, 1, 0, void, ())                                               \
    X(hxGetDlgFloatParameter, 1, 1, 1, 1, 0, void, ())                                                 \
    X(hxSetDlgStringOutputParameter, 1, 1, 1, 1, 0, void, ())                                          \
    X(hxSetDlgIntegerOutputParameter, 1, 1, 1, 1, 0, void, ())                                         \
    X(hxSetDlgFloatOutputParameter, 1, 1, 1, 1, 0, void, ())                                           \
    /* Independent component analysis */                                                               \
    X(hxLaunchICADialog, 1, 1, 1, 1, 0, void, ())

// The numeric services of the distortion plug-in, bound apart from the table.
#define TALVORA_NUMERIC_MATRIX_FUNCTIONS(X) \
    X(tl_matrix_matrix_mult_f)              \
    X(tl_matrix_matrix_mult_d)              \
    X(tl_matrix_vector_mult_f)              \
    X(tl_matrix_vector_mult_d)

#define TALVORA_NUMERIC_FFT_FUNCTIONS(X) \
    X(tl_fftwf_malloc)                   \
    X(tl_fftwf_free)                     \
    X(tl_fftwf_plan_dft_r2c_3d)          \
    X(tl_fftwf_plan_dft_c2r_3d)          \
    X(tl_fftwf_execute)                  \
    X(tl_fftwf_destroy_plan)
