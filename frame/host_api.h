// The host function names, grouped by family in binding order.
// X(name, typed, return type, parameters)
// Which of them a deliverable binds is said by its descriptor
// (frame/deliverables/<name>.h).
// Names no plug-in calls are untyped (typed = 0): the table still holds their
// address, but nothing calls through them.
// Buffers a host function writes text into (paths, file dialogs, string
// parameters) must hold at least tl::kPathCapacity bytes.
#pragma once

#include "frame/host_records.h"

#define TALVORA_HOST_FUNCTIONS(X)                                                                        \
    /* Version and paths */                                                                              \
    X(hxGetVersionOfTalvoraHX, 1, void, (int* major, int* minor, int* patch))                            \
    X(hxGetTalvoraHXPath, 1, int, (char* path))                                                          \
    X(tlGetVersionOfTalvora, 1, void, (int* major, int* minor, int* patch))                              \
    X(tlGetTalvoraPath, 1, int, (char* path))                                                            \
    X(hxGetPluginsPath, 1, int, (char* path))                                                            \
    /* Log */                                                                                            \
    X(hxShowLogPane, 1, void, ())                                                                        \
    X(hxShowLogTab, 1, void, ())                                                                         \
    X(hxLogText, 1, void, (const char* text))                                                            \
    /* Messages, input and cursor */                                                                     \
    X(hxMessageBox, 1, void, (const char* text))                                                         \
    X(hxYesNoMessageBox, 1, int, (const char* question))                                                 \
    X(hxGetIntegerInput, 1, int, (const char* prompt, int defaultValue, int minimum, int maximum))       \
    X(hxGetFloatInput, 1, float, (const char* prompt, float defaultValue, float minimum, float maximum)) \
    X(hxGetTextInput, 1, int, (const char* prompt, const char* defaultText, char* result))               \
    X(hxGetOpenFileName, 1, int,                                                                         \
      (const char* title, const char* startFolder, const char* filter, char* result))                    \
    X(hxGetSaveFileName, 1, int,                                                                         \
      (const char* title, const char* startFolder, const char* filter, char* result))                    \
    X(hxUpdateActiveWindow, 1, void, ())                                                                 \
    X(hxShowBusyCursor, 1, void, ())                                                                     \
    X(hxStopBusyCursor, 1, void, ())                                                                     \
    /* Plots */                                                                                          \
    X(hxCloseAllPlots, 0, void, ())                                                                      \
    X(hxPlotPoints, 0, void, ())                                                                         \
    X(hxAddPointsToPlot, 0, void, ())                                                                    \
    X(hxPlotLine, 0, void, ())                                                                           \
    X(hxAddLineToPlot, 0, void, ())                                                                      \
    X(hxPlotBars, 0, void, ())                                                                           \
    X(hxAddBarsToPlot, 0, void, ())                                                                      \
    X(hxShowPlotAtPosition, 0, void, ())                                                                 \
    X(hxResizePlot, 0, void, ())                                                                         \
    X(hxSetBarPlotXAxisCategories, 0, void, ())                                                          \
    X(hxSetPlotXAxisRange, 0, void, ())                                                                  \
    X(hxSetPlotYAxisRange, 0, void, ())                                                                  \
    X(hxSetPlotXAxisTitle, 0, void, ())                                                                  \
    X(hxSetPlotYAxisTitle, 0, void, ())                                                                  \
    X(hxSetPlotXAxisProperties, 0, void, ())                                                             \
    X(hxSetPlotYAxisProperties, 0, void, ())                                                             \
    X(hxSetPlotTitle, 0, void, ())                                                                       \
    X(hxSetPlotMarkerSizeAndColor, 0, void, ())                                                          \
    X(hxSetPlotLineSizeAndColor, 0, void, ())                                                            \
    X(hxSetPlotBarColors, 0, void, ())                                                                   \
    X(hxSetPlotFontSizes, 0, void, ())                                                                   \
    X(hxShowPlotLegend, 0, void, ())                                                                     \
    X(hxSetPlotColorTheme, 0, void, ())                                                                  \
    /* Workspace documents */                                                                            \
    X(hxGetNumberOfDocsInWorkspace, 0, void, ())                                                         \
    X(hxGetDocumentType, 0, void, ())                                                                    \
    X(hxGetDocumentTypeName, 0, void, ())                                                                \
    X(hxGetIDOfCurrentDocument, 0, void, ())                                                             \
    X(hxSetAsCurrentDocument, 0, void, ())                                                               \
    /* Tools */                                                                                          \
    X(hxCalculateIAMatrix, 0, void, ())                                                                  \
    X(hxGetTRFParametersFromVolumeToolsDlg, 0, void, ())                                                 \
    /* Functional project (FMR) and its slice time courses (STC) */                                      \
    X(hxGetHeaderOfCurrentFMR, 0, void, ())                                                              \
    X(hxSetHeaderOfCurrentFMR, 0, void, ())                                                              \
    X(hxGetSTCFloatDataOfCurrentFMR, 0, void, ())                                                        \
    X(hxGetSTCIntDataOfCurrentFMR, 0, void, ())                                                          \
    X(hxGetSTCDataOfCurrentFMR, 0, void, ())                                                             \
    X(hxSaveFMR, 0, void, ())                                                                            \
    X(hxSaveFMRAndSTC, 0, void, ())                                                                      \
    X(hxGetScannerPositionHeaderOfCurrentFMR, 0, void, ())                                               \
    X(hxSetScannerPositionHeaderOfCurrentFMR, 0, void, ())                                               \
    /* Diffusion project (DMR) and its weighted images (DWI) */                                          \
    X(hxGetHeaderOfCurrentDMR, 0, void, ())                                                              \
    X(hxSetHeaderOfCurrentDMR, 0, void, ())                                                              \
    X(hxGetDWIFloatDataOfCurrentDMR, 0, void, ())                                                        \
    X(hxGetDWIIntDataOfCurrentDMR, 0, void, ())                                                          \
    X(hxGetDWIDataOfCurrentDMR, 0, void, ())                                                             \
    X(hxConvertDWIFormatOfCurrentDMR, 0, void, ())                                                       \
    X(hxSaveDMR, 0, void, ())                                                                            \
    X(hxSaveDMRAndDWI, 0, void, ())                                                                      \
    /* Maps of the functional project */                                                                 \
    X(hxGetMAPOfCurrentFMR, 1, float**, (tl::FMRMapRecord * map))                                        \
    X(hxSetMAPParametersOfCurrentFMR, 1, int, (tl::FMRMapRecord * map))                                  \
    X(hxDeleteMAPsOfCurrentFMR, 0, void, ())                                                             \
    X(hxLoadMAPsToCurrentFMR, 1, int, (const char* path))                                                \
    X(hxSaveMAPsOfCurrentFMR, 1, int, (const char* path))                                                \
    X(hxCreateMAPForCurrentFMR, 1, int, ())                                                              \
    /* Anatomical volume (VMR) */                                                                        \
    X(hxGetCurrentVMR, 1, int, (int* dimX, int* dimY, int* dimZ))                                        \
    X(hxGetMainHeaderOfCurrentVMR, 1, int, (tl::VMRMainHeaderRecord * header))                           \
    X(hxSetMainHeaderOfCurrentVMR, 0, void, ())                                                          \
    X(hxGetScannerPositionHeaderOfCurrentVMR, 0, void, ())                                               \
    X(hxSetScannerPositionHeaderOfCurrentVMR, 0, void, ())                                               \
    X(hxGetPastTransformationsHeaderOfCurrentVMR, 0, void, ())                                           \
    X(hxSetPastTransformationsHeaderOfCurrentVMR, 0, void, ())                                           \
    X(hxReframeCurrentVMR, 0, void, ())                                                                  \
    X(hxGetCrossPositionOfCurrentVMR, 0, void, ())                                                       \
    /* 16-bit companion volume (V16) */                                                                  \
    X(hxGetV16OfCurrentVMR, 0, void, ())                                                                 \
    X(hxLoadV16ToCurrentVMR, 0, void, ())                                                                \
    X(hxSaveV16OfCurrentVMR, 0, void, ())                                                                \
    X(hxDetachV16FromCurrentVMR, 0, void, ())                                                            \
    X(hxConvertV16ToVMR, 0, void, ())                                                                    \
    /* Volume maps in functional resolution (NR-VMP) */                                                  \
    X(hxGetNRVMPsOfCurrentVMR, 1, int, (tl::NRVMPSetRecord * set))                                       \
    X(hxGetNRVMPOfCurrentVMR, 1, float*, (int index, tl::NRVMPRecord* map))                              \
    X(hxSetNRVMPParametersOfCurrentVMR, 1, int, (int index, tl::NRVMPRecord* map))                       \
    X(hxLoadNRVMPsToCurrentVMR, 1, int, (const char* path))                                              \
    X(hxAddNRVMPsToCurrentVMR, 1, int, (const char* path))                                               \
    X(hxSaveNRVMPsOfCurrentVMR, 1, int, (const char* path))                                              \
    X(hxCreateNRVMPsForCurrentVMR, 1, int,                                                               \
      (int nrOfMaps, int option, int nrOfThresholds, tl::NRVMPSetRecord* set))                           \
    X(hxDeleteNRVMPsOfCurrentVMR, 1, int, ())                                                            \
    X(hxDeleteNRVMPMap, 1, int, (int index))                                                             \
    X(hxSetNRVMPsParamsDisplayRange, 0, void, ())                                                        \
    /* Volume maps in anatomical resolution (AR-VMP) */                                                  \
    X(hxGetARVMPsOfCurrentVMR, 0, void, ())                                                              \
    X(hxGetARVMPOfCurrentVMR, 0, void, ())                                                               \
    X(hxSetARVMPParametersOfCurrentVMR, 0, void, ())                                                     \
    X(hxLoadARVMPsToCurrentVMR, 0, void, ())                                                             \
    X(hxSaveARVMPsOfCurrentVMR, 0, void, ())                                                             \
    X(hxCreateARVMPsForCurrentVMR, 0, void, ())                                                          \
    X(hxDeleteARVMPsOfCurrentVMR, 0, void, ())                                                           \
    /* Volume time courses (VTC) */                                                                      \
    X(hxLinkVTCToCurrentVMR, 1, int, (const char* path, int index))                                      \
    X(hxCreateVTCForCurrentVMR, 0, void, ())                                                             \
    X(hxGetHeaderOfVTCOfCurrentVMR, 1, int, (tl::VTCHeaderRecord * header))                              \
    X(hxSetHeaderOfVTCOfCurrentVMR, 0, void, ())                                                         \
    X(hxGetVTCOfCurrentVMR, 1, int, (tl::VTCHeaderRecord * header))                                      \
    X(hxGetVTCFloatDataOfCurrentVMR, 1, float*, ())                                                      \
    X(hxGetVTCIntDataOfCurrentVMR, 1, unsigned short*, ())                                               \
    X(hxSetVTCParametersOfCurrentVMR, 1, int, (tl::VTCHeaderRecord * header))                            \
    X(hxSaveVTCOfCurrentVMR, 0, void, ())                                                                \
    X(hxClearMultiVTCAnalysis, 1, void, ())                                                              \
    X(hxAddVTCRefForMultiVTCAnalysis, 1, int, (const char* path))                                        \
    X(hxGetVoxelTimeCourseOfVTC, 1, int, (int vtcIndex, int voxelIndex, float* values))                  \
    X(hxGetVoxelTimeCourseOfVTCs, 0, void, ())                                                           \
    X(hxGetVoxelCoordsTimeCourseOfVTC, 0, void, ())                                                      \
    X(hxGetVoxelCoordsTimeCourseOfVTCs, 0, void, ())                                                     \
    /* GLM and mask */                                                                                   \
    X(hxGetGLMOfCurrentVMR, 1, float*, (tl::GLMRecord * glm))                                            \
    X(hxLoadMaskToCurrentVMR, 1, int, (const char* path))                                                \
    X(hxGetMaskOfCurrentVMR, 1, unsigned char*, ())                                                      \
    X(hxGetGLMContrastsOfCurrentVMR, 0, void, ())                                                        \
    /* Scene */                                                                                          \
    X(hxGetScene, 0, void, ())                                                                           \
    /* Surfaces (SRF) */                                                                                 \
    X(hxLoadSRF, 0, void, ())                                                                            \
    X(hxAddSRF, 0, void, ())                                                                             \
    X(hxRemoveCurrentSRF, 0, void, ())                                                                   \
    X(hxGetCurrentSRF, 0, void, ())                                                                      \
    X(hxReleaseSRFAccess, 0, void, ())                                                                   \
    X(hxSaveCurrentSRF, 0, void, ())                                                                     \
    X(hxSetCurrentSRF, 0, void, ())                                                                      \
    /* Mesh time courses (MTC) */                                                                        \
    X(hxLinkMTCToCurrentSRF, 0, void, ())                                                                \
    X(hxGetMTCOfCurrentSRF, 0, void, ())                                                                 \
    X(hxSetMTCParametersOfCurrentSRF, 0, void, ())                                                       \
    X(hxCreateMTCForCurrentSRF, 0, void, ())                                                             \
    X(hxSaveMTCOfCurrentSRF, 0, void, ())                                                                \
    X(hxClearMultiMTCRefsOfCurrentSRF, 0, void, ())                                                      \
    X(hxAddMultiMTCRefToCurrentSRF, 0, void, ())                                                         \
    X(hxGetVertexTimeCourseOfMTC, 0, void, ())                                                           \
    X(hxGetVertexTimeCourseOfAllMTCs, 0, void, ())                                                       \
    /* Surface maps (SMP) */                                                                             \
    X(hxGetSMPsOfCurrentSRF, 0, void, ())                                                                \
    X(hxGetSMPOfCurrentSRF, 0, void, ())                                                                 \
    X(hxSetSMPParametersOfCurrentSRF, 0, void, ())                                                       \
    X(hxLoadSMPsToCurrentSRF, 0, void, ())                                                               \
    X(hxSaveSMPsOfCurrentSRF, 0, void, ())                                                               \
    X(hxCreateSMPForCurrentSRF, 0, void, ())                                                             \
    X(hxDeleteSMPsOfCurrentSRF, 0, void, ())                                                             \
    X(hxOverlaySMPsOnSRF, 0, void, ())                                                                   \
    /* Surface-to-surface maps (SSM) */                                                                  \
    X(hxGetSSMOfCurrentSRF, 0, void, ())                                                                 \
    X(hxLoadSSMToCurrentSRF, 0, void, ())                                                                \
    X(hxSaveSSMOfCurrentSRF, 0, void, ())                                                                \
    X(hxCreateSSMForCurrentSRF, 0, void, ())                                                             \
    X(hxDeleteSSMOfCurrentSRF, 0, void, ())                                                              \
    /* Stimulation protocol */                                                                           \
    X(hxClearProtocol, 0, void, ())                                                                      \
    X(hxLoadProtocol, 0, void, ())                                                                       \
    X(hxSaveProtocol, 0, void, ())                                                                       \
    X(hxGetProtocol, 1, int, (tl::ProtocolRecord * protocol))                                            \
    X(hxSetProtocol, 0, void, ())                                                                        \
    X(hxGetProtocolCondition, 1, int, (int index, tl::ProtocolConditionRecord* condition))               \
    X(hxAddProtocolCondition, 0, void, ())                                                               \
    X(hxAddProtocolConditionInterval, 0, void, ())                                                       \
    /* Design matrix */                                                                                  \
    X(hxClearDesignMatrix, 0, void, ())                                                                  \
    X(hxAddPredictor, 0, void, ())                                                                       \
    X(hxSetPredictorValuesFromCondition, 0, void, ())                                                    \
    X(hxSetPredictorValuesFromConditionName, 0, void, ())                                                \
    X(hxApplyTwoGammaHRFToPredictor, 0, void, ())                                                        \
    X(hxApplyTwoGammaHRFToPredictorWithName, 0, void, ())                                                \
    X(hxApplyBoyntonHRFToPredictor, 0, void, ())                                                         \
    X(hxApplyBoyntonHRFToPredictorWithName, 0, void, ())                                                 \
    X(hxGetPredictor, 0, void, ())                                                                       \
    X(hxGetPredictorByName, 0, void, ())                                                                 \
    X(hxLoadSingleStudyGLMDesignMatrix, 0, void, ())                                                     \
    X(hxSaveSingleStudyGLMDesignMatrix, 0, void, ())                                                     \
    /* Volumes and points of interest (VOI, POI) */                                                      \
    X(hxLoadVOIs, 1, int, (const char* path))                                                            \
    X(hxSaveVOIs, 0, void, ())                                                                           \
    X(hxGetVOIs, 1, int, (tl::VOISetRecord * set))                                                       \
    X(hxGetVOI, 1, int*, (int index, tl::VOIRecord* voi))                                                \
    X(hxLoadPOIs, 0, void, ())                                                                           \
    X(hxSavePOIs, 0, void, ())                                                                           \
    X(hxGetPOIs, 0, void, ())                                                                            \
    X(hxGetPOI, 0, void, ())                                                                             \
    /* Script and dialog parameters */                                                                   \
    X(hxGetStringParameter, 1, int, (const char* name, char* value))                                     \
    X(hxGetIntParameter, 1, int, (const char* name))                                                     \
    X(hxGetFloatParameter, 1, float, (const char* name))                                                 \
    X(hxSetStringParameter, 1, void, (const char* name, const char* value))                              \
    X(hxSetIntParameter, 1, void, (const char* name, int value))                                         \
    X(hxSetFloatParameter, 1, void, (const char* name, float value))                                     \
    X(hxGetDlgStringParameter, 0, void, ())                                                              \
    X(hxGetDlgIntegerParameter, 0, void, ())                                                             \
    X(hxGetDlgFloatParameter, 0, void, ())                                                               \
    X(hxSetDlgStringOutputParameter, 0, void, ())                                                        \
    X(hxSetDlgIntegerOutputParameter, 0, void, ())                                                       \
    X(hxSetDlgFloatOutputParameter, 0, void, ())                                                         \
    /* Independent component analysis */                                                                 \
    X(hxLaunchICADialog, 0, void, ())

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

// Functions only the stand-in host exports, for its own checks; the real
// host lacks them, so a deliverable binds them as optional extensions.
// X(name, return type, parameters)
#define TALVORA_HOST_EXTENSIONS(X)                                   \
    /* Tells the host whether a result file was written whole. */    \
    X(talvoraNoteFileOutcome, void, (const char* path, int written)) \
    /* A fixed calendar clock in seconds, or -1 for the real one. */ \
    X(talvoraFixedClock, long long, ())
