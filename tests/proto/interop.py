#!/usr/bin/python3
"""The phone side's view of the command payloads, for the interoperability test.

Uses Debian's python3-protobuf in its pure-Python form (no code shared with the C++ runtime)
and message modules generated here, at run time, from the same schema files with
`protoc --python_out`. Writes or checks one payload file per sample message:

    interop.py PROTOC SCHEMA_DIR encode DIR   # write DIR/<sample>.bin
    interop.py PROTOC SCHEMA_DIR decode DIR   # parse DIR/<sample>.bin, compare with the samples

Exit status 0 when every payload matches, 1 on a mismatch, 2 when it cannot run.
"""
import os
import subprocess
import sys
import tempfile

os.environ["PROTOCOL_BUFFERS_PYTHON_IMPLEMENTATION"] = "python"
sys.dont_write_bytecode = True


def generate(protoc, schema_dir, out_dir):
    schemas = []
    for root, _, files in os.walk(schema_dir):
        for name in files:
            if name.endswith(".proto"):
                schemas.append(os.path.relpath(os.path.join(root, name), schema_dir))
    schemas.sort()
    if len(schemas) != 33:
        raise RuntimeError("expected 33 schema files in %s, found %d" % (schema_dir, len(schemas)))
    run = subprocess.run([protoc, "-I" + schema_dir, "--python_out=" + out_dir] + schemas,
                         capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        raise RuntimeError("protoc failed: " + run.stderr)


def samples():
    """The sample messages; the C++ side of the test builds the same values on its own."""
    import CorvaneCallRecordsProto_pb2 as call
    import CorvaneCarGpsProto_pb2 as gps
    import CorvaneDeviceInfoProto_pb2 as dev
    import CorvaneFeatureConfigListProto_pb2 as feat
    import CorvaneMediaInfoProto_pb2 as media
    import CorvaneModuleStatusListProto_pb2 as mod
    import CorvaneProtocolVersionProto_pb2 as ver
    import CorvaneStatisticsInfoProto_pb2 as stat
    import CorvaneTouchEventAllDeviceProto_pb2 as touchall
    import CorvaneTouchFlingProto_pb2 as fling
    import CorvaneVideoEncoderInfoProto_pb2 as enc
    import newproto.CorvaneConStatisticProto_pb2 as constat
    import proto.CorvaneAccelerationProto_pb2 as acc

    s = {}
    s["ProtocolVersion"] = ver.CorvaneProtocolVersion(majorVersion=1, minorVersion=-3)
    s["VideoEncoderInfo"] = enc.CorvaneVideoEncoderInfo(width=1024, height=600, frameRate=12)
    s["DeviceInfo"] = dev.CorvaneDeviceInfo(
        os="Android", brand="Velto", cpu_abi="arm64-v8a", model="VT 7", product="prod15",
        serial="SER16", release="13", sdk="33", sdk_int=33, token="t\u00f6k\u20acn")
    s["CallRecords"] = call.CorvaneCallRecords(
        cid=9, name="Ann \u4e2d\u6587", number="+49 30 1234", duration="65",
        time="2024-01-02 03:04", type=call.CorvaneCallRecords.MISSED_TYPE)
    s["CarGps"] = gps.CorvaneCarGps(
        antennaState=4294967295, signalQuality=2147483648, latitude=-33868820, longitude=151209290,
        height=-5, speed=0, heading=359, year=2024, month=12, day=31, hrs=23, min=59, sec=58, fix=3,
        hdop=1, pdop=2, vdop=3, satsUsed=7, satsVisible=12, horPosError=15, vertPosError=20,
        northSpeed=-100, eastSpeed=100, vertSpeed=-1)
    s["TouchFling"] = fling.CorvaneTouchFling(x1=-10, y1=20, x2=300, y2=-400, velocityX=1234.5,
                                              velocityY=-0.125)
    s["ConnectStatistics"] = constat.CorvaneConnectStatistics(
        contotal=12, consuccess=10, confailed=2, contime=3456, nerrorcount=3,
        error_type=["e1 \r\n", "\u4e2d\u6587 \r\n", ""])
    ms = mod.CorvaneModuleStatusList(cnt=2)
    ms.moduleStatus.add(moduleID=1, statusID=0)
    ms.moduleStatus.add(moduleID=7, statusID=-1)
    s["ModuleStatusList"] = ms
    s["MediaInfo"] = media.CorvaneMediaInfo(
        source="bt", song="Song", artist="\u00c4rtist", album="", albumArt=bytes(range(256)),
        duration=215000, playlistNum=3, songId="id-42", mode=2)
    all_dev = touchall.CorvaneTouchEventAllDevice(version=1, cnt=1)
    d = all_dev.devices.add(cid=0, eventx=3, screen_width=1080, screen_height=2400, abs_x_min=0,
                            abs_x_max=4095, abs_y_min=0, abs_y_max=4095, device="touch")
    d.downEvent.add(type=3, code=57, value=1)
    d.downEvent.add(type=3, code=53, value=100)
    d.upEvent.add(type=3, code=57, value=-1)
    s["TouchEventAllDevice"] = all_dev
    s["StatisticsInfo"] = stat.CorvaneStatisticsInfo(
        cuid="0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", versionName="2.0.0.1", versionCode=2001,
        channel="20322100", connectCount=5, connectSuccessCount=4, connectTime=0)
    fl = feat.CorvaneFeatureConfigList(cnt=2)
    fl.featureConfig.add(key="audio", value=1)
    fl.featureConfig.add(key="", value=-2147483648)
    s["FeatureConfigList"] = fl
    s["Acceleration"] = acc.CorvaneAcceleration(samplesCount=0, xAxisAcceSum=-1, yAxisAcceSum=1,
                                                zAxisAcceSum=2147483647)
    return s


def main(argv):
    if len(argv) != 5 or argv[3] not in ("encode", "decode"):
        print(__doc__, file=sys.stderr)
        return 2
    protoc, schema_dir, mode, data_dir = argv[1:]
    with tempfile.TemporaryDirectory(prefix="corvane-pb2-") as gen:
        try:
            from google.protobuf.internal import api_implementation
            if api_implementation.Type() != "python":
                raise RuntimeError("not the pure-Python runtime: " + api_implementation.Type())
            generate(protoc, schema_dir, gen)
            sys.path.insert(0, gen)
            msgs = samples()
        except Exception as e:  # a setup failure is not a mismatch
            print("interop: cannot run: %s" % e, file=sys.stderr)
            return 2
        bad = 0
        for name, msg in sorted(msgs.items()):
            path = os.path.join(data_dir, name + ".bin")
            if mode == "encode":
                with open(path, "wb") as f:
                    f.write(msg.SerializeToString())
                continue
            try:
                with open(path, "rb") as f:
                    data = f.read()
                got = type(msg)()
                got.ParseFromString(data)
            except Exception as e:
                print("interop: %s: %s" % (name, e))
                bad += 1
                continue
            if got != msg:
                print("interop: %s: parsed\n%s\nexpected\n%s" % (name, got, msg))
                bad += 1
            elif got.SerializeToString() != data:
                print("interop: %s: bytes differ from this side's encoding" % name)
                bad += 1
        print("interop: %s %d messages, %d mismatched" % (mode, len(msgs), bad))
        return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
