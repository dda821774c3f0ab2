-- The script half of the framework's window toolkit. The window script runs this once, after
-- binding its native functions: it defines the constants dialog files use, the declarative
-- dialog language (nested tables of window constructors) and the blocking dialog primitives,
-- which may only run inside the window script's coroutine because they yield.

LUA_PATH = "?;../?;../../?"

-- Alignment bits, button types, layers and coordinate codes.
kHAlignLeft = 0
kHAlignCenter = 1
kHAlignRight = 2
kVAlignTop = 0
kVAlignCenter = 4
kVAlignBottom = 8
kPush = 0
kToggle = 1
kRadio = 2
kAllLayers = -1
kCenter = 80000
kMax = 160000
kDefault = 128
kPushButtonAlignment = kHAlignCenter + kVAlignCenter
kRadioButtonAlignment = kHAlignLeft + kVAlignCenter
kToggleButtonAlignment = kHAlignCenter + kVAlignCenter

-- Message types.
kGeneric = 0
kCloseWindow = kGeneric + 1
kDefaultAction = kCloseWindow + 1
kButtonPress = kDefaultAction + 1
kPressAnyKey = kButtonPress + 1
kQuitNow = kPressAnyKey + 1
kModalClosed = kQuitNow + 1
kTextEditChanged = kModalClosed + 1
kCommandOnly = kTextEditChanged + 1
kSliderValChanged = kCommandOnly + 1
kSliderMouseUp = kSliderValChanged + 1
kSliderPageUp = kSliderMouseUp + 1
kSliderPageDown = kSliderPageUp + 1
kUserMessageBase = 1000

-- Game-state keys.
kCmdLine = "cmdline"
kLevel = "level"
kSubLevel = "sublevel"
kPause = "pause"
kMute = "mute"
kBreakNow = "breaknow"
kScore = "score"
kGameMode = "gamemode"
kGameOver = "gameover"
kRestartButton = "restartbutton"
kSystemMode = "systemmode"
kMaxLevel = "maxlevel"
kCheatMode = "cheatmode"
kGameName = "gamename"
kGameVersion = "version"
kEncryptionKey = "encryptionkey"
kHiscoreLocalOnly = "hiscorelocal"
kHiscoreAnonymous = "hiscoreanon"

-- Variables.
gReturnValue = nil
idtable = {}
gParent = {}
gCurrentDefaultStyle = {}
gCurID = 100
gBeginGroup = 0
gClosedWindows = {}
gCommandQueue = {}
gMessageQueue = {}
gDialogTable = {}

-- Styles and layout.

function Color( r, g, b, a )
	if a == nil then
		return { r / 255, g / 255, b / 255, 1 }
	end
	return { r / 255, g / 255, b / 255, a / 255 }
end

function FColor( r, g, b, a )
	if a == nil then
		a = 1
	end
	return { r, g, b, a }
end

function Push( window )
	table.insert( gParent, 1, window )
end

function Pop()
	table.remove( gParent, 1 )
end

function SetDefaultStyle( style )
	gCurrentDefaultStyle = style
end

function SetStyle( style )
	return function() SetDefaultStyle( style ) end
end

function AppendStyle( style )
	return function()
		style.parent = gCurrentDefaultStyle
		SetDefaultStyle( style )
	end
end

-- tab[tag] unless nil or false; otherwise the default style chain. A chain longer than 32
-- styles (or one that loops) ends the search.
function GetTag( tab, tag, ... )
	if type( tab ) ~= "table" then
		return nil
	end
	local v = tab[ tag ]
	if v ~= nil and v ~= false then
		return v
	end
	if arg.n == 0 then
		return GetTag( gCurrentDefaultStyle, tag, true, 1 )
	end
	local depth = arg[ 2 ] or 1
	if arg[ 1 ] and tab.parent ~= nil and depth <= 32 then
		return GetTag( tab.parent, tag, true, depth + 1 )
	end
	return nil
end

function SetBeginGroup( style )
	gBeginGroup = 1
end

function BeginGroup()
	return function() SetBeginGroup() end
end

function SetDefault( default )
	return function() end
end

function SetFocus( name )
	RealSetFocus( name )
end

function DistributeX( n )
	divisor = n + 1
	d = {}
	for i = 1, n do
		d[ i ] = i / divisor * gDialogWidth
	end
	return d
end

function DistributeY( n )
	local div = n + 1
	local t = {}
	for i = 1, n do
		t[ i ] = i / div * gDialogHeight
	end
	return t
end

function SelectLayer( layer )
	return function() DoSelectLayer( layer ) end
end

function Group( t )
	return function() MakeDialog( t ) end
end

function FitToChildren()
	return function() DoFitToChildren() end
end

function SetBitmap( name, image, scale )
	if scale == nil then
		scale = 1
	end
	_SetBitmap( name, image, scale )
end

function GetString( id, p1, p2, p3, p4, p5 )
	return _GetString( id, p1 or "", p2 or "", p3 or "", p4 or "", p5 or "" )
end

function SetState( key, value )
	if value == true then
		value = 1
	elseif value == false then
		value = 0
	end
	_SetState( tostring( key ), tostring( value ) )
end

function RegisterHotkey( hotkey, buttonName )
	if hotkey and buttonName then
		_RegisterHotkey( hotkey, buttonName )
	end
end

function Creating( type, table )
end

function CustomCreator( s )
end

-- Window building.

function DoWindow( window )
	window.beginGroup = gBeginGroup
	gBeginGroup = 0
	GenericCreate( window )
	MakeDialog( window )
	PopWindow()
end

function MakeDialog( t )
	local saved = gCurrentDefaultStyle
	if t.name and t.name ~= "" then
		SetWindowName( t.name )
	end
	table.foreachi( t, DoDialogCommand )
	typename = t.typename
	gCurrentDefaultStyle = saved
	if typename then
		PostCreate( t, typename )
	end
end

function DoDialogCommand( i, cmd )
	cmd()
end

function ReadFile( name )
	return dofile( "assets/" .. name )
end

-- Dialogs.

function DoModal( file )
	local id = PushModal( file )
	ReadFile( file )
	DoFitToChildren()
	WaitForCloseMessage( id )
	local result = gReturnValue
	gReturnValue = nil
	return result
end

function DisplayDialog( t )
	local script = t[ 1 ]
	if script == nil or script == "" then
		DebugOut( "DisplayDialog called with empty script; aborting" )
		return
	end
	local id = PushModal( script )
	gDialogTable = t
	ReadFile( script )
	WaitForCloseMessage( id )
	local result = gReturnValue
	gReturnValue = nil
	return result
end

function DoMainWindow( file )
	PushModal( file )
	local depth = GetWindowDepth()
	ReadFile( file )
	DoFitToChildren()
	while true do
		local m = WaitForMessage()
		if m then
			gLastMessage = m
		end
		if GetWindowDepth() < depth then
			return
		end
	end
end

function SwapToModal( name )
	ClearModalChildren()
	ReadFile( name )
	DoFitToChildren()
end

function ModalReturn( value )
	gReturnValue = value
end

function CloseWindow( param )
	PostMessage( CreateCloseMessage() )
	if param ~= nil then
		ModalReturn( param )
	end
end

function PopModal( r )
	DoPopModal( r )
end

function WaitForCloseMessage( id )
	while true do
		local m = WaitForMessage()
		if m then
			gLastMessage = m
			if m.type == kModalClosed then
				if m.name == id then
					return
				end
				gClosedWindows[ m.name ] = true
			end
		end
		if gClosedWindows[ id ] then
			gClosedWindows[ id ] = nil
			return
		end
	end
end

-- Messages and time.

-- The newest queued message first; otherwise wait (the delay is always passed, so nil waits for
-- the next idle pass). A command that came with the message, or else the newest queued command,
-- runs and its result is what the next wait hands back to native code.
function WaitForMessage( delay, deferQueue )
	if deferQueue ~= true and table.getn( gMessageQueue ) > 0 then
		message = table.remove( gMessageQueue )
		return message
	end
	local command
	message, command = HandleGetMessage( delay )
	if command then
		gYieldResult = command()
	elseif table.getn( gCommandQueue ) > 0 then
		local queued = table.remove( gCommandQueue )
		gYieldResult = queued()
	end
	return message
end

function FlushMessages()
	while HandleGetMessage( 1 ) do
	end
	gCommandQueue = {}
	gMessageQueue = {}
end

function Yield()
	return coroutine.yield()
end

function Pause( time, waitForKey )
	local endTime = GetTimer() + time
	while GetTimer() < endTime do
		local m = WaitForMessage( endTime - GetTimer(), true )
		if m then
			if waitForKey == true and m.type == kPressAnyKey then
				return
			end
			table.insert( gMessageQueue, m )
		end
	end
end

-- Shows a movie, or else a still picture, until the time is up, a key is pressed (unless the
-- style says "disableAbort") or the window is closed. The modal it pushes is always popped.
function DisplaySplash( splashMovie, splashGraphic, time )
	local id = PushModal( "DisplaySplash" )
	local translate = GetTag( {}, "translate" ) or false
	local allowInput = GetTag( {}, "allowInput" ) or false
	local disableAbort = GetTag( {}, "disableAbort" ) or false
	inMovie = StartMovie( splashMovie, translate, allowInput )
	local endTime = GetTimer() + ( time or 0 )
	if not inMovie then
		local overlay = GetTag( {}, "splashoverlay" ) or Group( {} )
		if splashGraphic then
			MakeDialog( { Bitmap { name = "splashimage", image = splashGraphic, autoscale = true, overlay } } )
			UpdateWindow()
			Pause( 50 )
			UpdateWindow()
			Pause( 50 )
		end
	end
	if inMovie or ImageLoaded( "splashimage" ) then
		while true do
			local m = WaitForMessage( 1 )
			if not inMovie and GetTimer() > endTime then
				break
			end
			if m then
				if m.type == kCloseWindow then
					break
				end
				if m.type == kModalClosed then
					if m.name == id then
						break
					end
					gClosedWindows[ m.name ] = true
				end
				if m.type == kPressAnyKey and disableAbort ~= true then
					break
				end
			end
			if inMovie and not IsMoviePlaying() then
				break
			end
		end
	end
	if inMovie then
		StopMovie()
	end
	PopModal( id )
end
