# Read by ctest after the discovered tests are defined. These tests film a real-time source
# (a libavfilter graph paced at 30 frames a second) into libx264 at 1280x720 and judge the file by
# the clock: they need the machine's cores to themselves, so nothing else runs beside them.
set_tests_properties(
    GhiThat.ALavfiCameraRecordsThroughTheWholePipeline
    GhiThat.ASigkillLeavesAPlayableFile
    PROPERTIES RUN_SERIAL TRUE)
# These start the shipped program on a paced camera graph and wait for its real reader to see a label and start a
# recording; under the sanitizers, beside a full parallel run, that waits longer than the tests allow.
set_tests_properties(
    UngDungVideoDoDang.ARecordingKilledMidwayIsFoundByItsCodeAfterTheNextStart
    UngDungVideoDoDang.SigtermSavesTheRunningRecordingBeforeExiting
    UngDungVideoDoDang.AFailingKeyframeSyncIsAWriteFailureJudgedAtTheNextStart
    AnhChup.ManHinhHangHoanDangQuayVaToKhai
    PROPERTIES RUN_SERIAL TRUE)
# Both start the shipped program with a Haravan token stored in the session's one keyring item, and each skips
# when it finds that item taken; run side by side, one would always skip.
set_tests_properties(
    UngDungThatDongBo.StartUpSyncOfTheShippedProgramFillsItsStore
    UngDungThatDongBo.ADeeplyNestedOrderIsASyncErrorAndTheProgramKeepsRunning
    PROPERTIES RESOURCE_LOCK khoa_haravan_that)
